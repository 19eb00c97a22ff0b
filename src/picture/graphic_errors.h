#pragma once

// The errors of the picture kinds, with their texts.

#include <string>

#include "rtl/exceptions.h"

namespace vitrix {

class EInvalidGraphic : public Exception {
  using Exception::Exception;
};

class EInvalidGraphicOperation : public Exception {
  using Exception::Exception;
};

// A failure inside libjpeg: "Erreur JPEG #<code>" with libjpeg's message code.
class EJPEG : public EInvalidGraphic {
 public:
  explicit EJPEG(int code) : EInvalidGraphic("Erreur JPEG #" + std::to_string(code)), code_(code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

inline constexpr const char* kUnsupportedClipboardFormatText = "Format de Presse-papiers non support\xE9";
inline constexpr const char* kBadClipboardFormatText = "Format de Presse-papiers incorrect";
inline constexpr const char* kCannotOpenClipboardText = "Impossible d'ouvrir le Presse-papiers";
inline constexpr const char* kNoBitmapToDrawOnText =
    "Une image ne peut \xEAtre modifi\xE9"
    "e que si elle contient un bitmap";
inline constexpr const char* kUnknownPictureClassText = "Format d'image inconnu";

}  // namespace vitrix
