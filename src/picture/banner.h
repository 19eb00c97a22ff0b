#pragma once

// The capture editor's picture before the first capture: a 468x60 JPEG
// banner kept in the program in the stored form of the JPEG picture.

#include <string_view>

namespace vitrix {

class TPicture;

// The stored form: 4-byte little-endian length, then the JPEG stream.
std::string_view InitialBannerStored();

// Makes the picture the banner: a JPEG picture read through its stored form
// (its size comes from the header; nothing is decoded until it is drawn).
void LoadInitialBanner(TPicture& picture);

}  // namespace vitrix
