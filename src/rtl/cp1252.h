#pragma once

// Windows-1252 <-> UTF-8. Every text inside the program is Windows-1252; these
// conversions are used only where text crosses into the operating system or
// the toolkit (file names, display, clipboard text).

#include <optional>
#include <string>
#include <string_view>

namespace vitrix {

// Every Windows-1252 byte has a character; the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// value, so the conversion is total and reversible.
std::string Cp1252ToUtf8(std::string_view text);

// Converts UTF-8 to Windows-1252; std::nullopt when a character has no place in
// the code page or the input is not valid UTF-8.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

// The same, raising EEncodingError naming the text when it cannot be converted.
std::string Utf8ToCp1252OrThrow(std::string_view text);

// The same, writing '?' for what cannot be converted. Only for texts that are
// shown and never used again, such as system error texts.
std::string Utf8ToCp1252Lossy(std::string_view text);

}  // namespace vitrix
