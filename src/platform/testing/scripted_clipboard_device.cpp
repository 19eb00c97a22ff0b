#include "platform/testing/scripted_clipboard_device.h"

#include <algorithm>

namespace vitrix {

bool TScriptedClipboardDevice::Open() {
  if (open_fails_) return false;
  ++open_calls_;
  open_ = true;
  return true;
}

void TScriptedClipboardDevice::Close() {
  ++close_calls_;
  open_ = false;
}

std::vector<uint32_t> TScriptedClipboardDevice::Formats() {
  std::vector<uint32_t> formats;
  for (const auto& entry : entries_) formats.push_back(entry.first);
  if (!palette_.empty() && !HasFormat(CF_PALETTE)) formats.push_back(CF_PALETTE);
  return formats;
}

bool TScriptedClipboardDevice::HasFormat(uint32_t format) {
  if (format == CF_PALETTE && !palette_.empty()) return true;
  return std::any_of(entries_.begin(), entries_.end(), [format](const auto& e) { return e.first == format; });
}

TClipboardData TScriptedClipboardDevice::Data(uint32_t format) {
  for (const auto& entry : entries_) {
    if (entry.first == format) return entry.second;
  }
  // Like the desktop, an old-style metafile is also offered converted.
  if (format == CF_ENHMETAFILE) {
    for (const auto& entry : entries_) {
      if (entry.first == CF_METAFILEPICT) return entry.second;
    }
  }
  return {};
}

void TScriptedClipboardDevice::Add(uint32_t format, TClipboardData data) {
  entries_.emplace_back(format, std::move(data));
}

void TScriptedClipboardDevice::SetPalette(std::vector<uint32_t> palette) { palette_ = std::move(palette); }

void TScriptedClipboardDevice::Clear() {
  entries_.clear();
  palette_.clear();
}

}  // namespace vitrix
