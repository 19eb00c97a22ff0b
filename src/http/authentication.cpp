#include "http/authentication.h"

#include <mutex>
#include <vector>

#include "http/http_exceptions.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

struct Scheme {
  std::string name;
  std::string class_name;
  TNetAuthenticationClass factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<Scheme> schemes;
  Registry() {
    schemes.push_back({"Basic", "TNetBasicAuthentication", [] { return std::make_unique<TNetBasicAuthentication>(); }});
  }
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

// The byte at i, as a number to shift into a group of bits.
uint32_t ByteAt(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

}  // namespace

TNetAuthWhatsNext TNetAuthentication::Next() {
  if (Completed()) return TNetAuthWhatsNext::wnFail;
  ++current_step_;
  return TNetAuthWhatsNext::wnDoRequest;
}

std::string TNetBasicAuthentication::Authentication() { return "Basic " + EncodeBase64(Username() + ":" + Password()); }

TNetAuthentication* TNetCredentials::AuthenticationToSend() {
  if (!authentication_ && basic_authentication_) {
    auto basic = std::make_unique<TNetBasicAuthentication>();
    basic->SetUsername(username_);
    basic->SetPassword(password_);
    authentication_ = std::move(basic);
  }
  return authentication_.get();
}

void TNetCredentials::ClearCredentials() {
  username_.clear();
  password_.clear();
  basic_authentication_ = false;
}

void RegisterAuthenticationMethod(std::string_view scheme, std::string class_name, TNetAuthenticationClass factory) {
  Registry& registry = GetRegistry();
  const std::lock_guard lock(registry.mutex);
  for (const Scheme& known : registry.schemes) {
    if (SameText(known.name, scheme)) throw ENetAlreadyRegisteredAuthenticationMethod(known.class_name);
  }
  registry.schemes.push_back({std::string(scheme), std::move(class_name), std::move(factory)});
}

void UnregisterAuthenticationMethod(std::string_view scheme) {
  Registry& registry = GetRegistry();
  const std::lock_guard lock(registry.mutex);
  std::erase_if(registry.schemes, [&](const Scheme& known) { return SameText(known.name, scheme); });
}

TNetAuthenticationClass FindAuthClass(std::string_view scheme) {
  Registry& registry = GetRegistry();
  const std::lock_guard lock(registry.mutex);
  for (const Scheme& known : registry.schemes) {
    if (SameText(known.name, scheme)) return known.factory;
  }
  return {};
}

std::string EncodeBase64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t n = ByteAt(bytes, i) << 16 | ByteAt(bytes, i + 1) << 8 | ByteAt(bytes, i + 2);
    text += kAlphabet[n >> 18];
    text += kAlphabet[(n >> 12) & 63];
    text += kAlphabet[(n >> 6) & 63];
    text += kAlphabet[n & 63];
  }
  if (const size_t left = bytes.size() - i; left > 0) {
    uint32_t n = ByteAt(bytes, i) << 16;
    if (left == 2) n |= ByteAt(bytes, i + 1) << 8;
    text += kAlphabet[n >> 18];
    text += kAlphabet[(n >> 12) & 63];
    text += left == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

}  // namespace vitrix
