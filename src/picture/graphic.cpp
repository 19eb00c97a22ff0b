#include "picture/graphic.h"

#include "picture/graphic_errors.h"

namespace vitrix {

void TPersistent::CopyTo(TPersistent& destination) {
  throw EConvertError(std::string("Impossible d'affecter ") + ClassName() + " \xE0 " + destination.ClassName());
}

void TGraphic::LoadFromClipboardFormat(uint32_t, const TClipboardData&, const TPalette&) {
  throw EInvalidGraphic(kUnsupportedClipboardFormatText);
}

}  // namespace vitrix
