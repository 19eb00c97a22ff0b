#pragma once

// The image host's base address B: every address of the upload dialogue is B
// followed by a path.

#include <string>
#include <string_view>

namespace vitrix {

// The variable of the environment that names another image host.
inline constexpr const char* kServiceURLVariable = "VITRIX_SERVICE_URL";

// The value of VITRIX_SERVICE_URL when it is set and not empty, otherwise the
// address chosen when the program was built (http://localhost:8080/ unless
// the build says otherwise); either way ending with "/".
std::string ServiceBaseURL();

// The address chosen when the program was built, ending with "/".
std::string BuiltInServiceURL();

// address with a final "/" added when it has none.
std::string WithFinalSlash(std::string_view address);

}  // namespace vitrix
