#pragma once

// Text on the desktop clipboard.

#include <memory>
#include <string_view>

#include "platform/services.h"

namespace vitrix {

class ITextClipboard {
 public:
  virtual ~ITextClipboard() = default;
  // Replaces the clipboard's content by a Windows-1252 text.
  virtual void SetText(std::string_view text) = 0;

  static std::unique_ptr<ITextClipboard> CreateSystem();
};

inline ITextClipboard& TextClipboard() { return Platform<ITextClipboard>(); }

}  // namespace vitrix
