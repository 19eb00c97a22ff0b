#include "publish/service_address.h"

#include <cstdlib>

#ifndef VITRIX_DEFAULT_SERVICE_URL
#error "VITRIX_DEFAULT_SERVICE_URL is set by the build (cache variable VITRIX_SERVICE_URL)"
#endif

namespace vitrix {

std::string WithFinalSlash(std::string_view address) {
  std::string result(address);
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

std::string ServiceBaseURL() {
  const char* chosen = std::getenv(kServiceURLVariable);
  if (chosen != nullptr && *chosen != '\0') return WithFinalSlash(chosen);
  return BuiltInServiceURL();
}

std::string BuiltInServiceURL() { return WithFinalSlash(VITRIX_DEFAULT_SERVICE_URL); }

}  // namespace vitrix
