#include "publish/image_address.h"

namespace vitrix {

std::string extraiturl(std::string_view reponse) {
  if (reponse.find(kHostErrorMarker) != std::string_view::npos) return kNoImageAddress;
  const size_t marker = reponse.find(kHostedImageMarker);
  if (marker == std::string_view::npos) return kNoImageAddress;
  // The scheme is looked for from the marker's first byte, as the marker
  // itself holds no "http".
  const size_t address = reponse.find("http", marker);
  if (address == std::string_view::npos) return kNoImageAddress;
  const size_t quote = reponse.find('"', address);
  if (quote == std::string_view::npos) return kNoImageAddress;
  return "[img]" + std::string(reponse.substr(address, quote - address)) + "[/img]";
}

}  // namespace vitrix
