#pragma once

// Finding the hosted image's address in the image host's result page.

#include <cstddef>
#include <string>
#include <string_view>

namespace vitrix {

inline constexpr const char* kNoImageAddress =
    "Pas d'url image trouv\xE9"
    "e";
// A page carrying this anywhere is a refusal, whatever else it holds.
inline constexpr std::string_view kHostErrorMarker = "<p class=\"gras\">ERREUR";
// The address is the first "http" after this, up to the next double quote.
inline constexpr std::string_view kHostedImageMarker =
    "Image H\xE9"
    "berg\xE9"
    "e :";

// The longest image address taken from a result page.
inline constexpr size_t kMaxImageAddressLength = 2048;

// One absolute http or https address of at most kMaxImageAddressLength
// characters, made only of the characters a URL may hold: no blanks, control
// bytes, quotes, angle brackets or bytes above 127, and square brackets only
// around an IPv6 literal host.
bool IsImageAddress(std::string_view address);

// The forum tag "[img]" + address + "[/img]" for the image named in the
// reply text (Windows-1252 bytes, compared case-sensitively), or
// kNoImageAddress when the page is a refusal or holds no such address, or
// when what stands in the address's place is not an image address
// (IsImageAddress). One pass over the page.
std::string extraiturl(std::string_view reponse);

}  // namespace vitrix
