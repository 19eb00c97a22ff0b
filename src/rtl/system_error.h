#pragma once

// French texts for the operating system's error numbers, in Windows-1252, as
// the error messages of files and folders show them to the user.

#include <string>

namespace vitrix {

// The text for an errno value; numbers without a French text fall back to the
// C library's own text (converted to Windows-1252).
std::string SysErrorMessage(int error_number);

}  // namespace vitrix
