#pragma once

// A clipboard for tests: it records every text put on it.

#include <string>
#include <string_view>
#include <vector>

#include "platform/text_clipboard.h"

namespace vitrix {

class TRecordingTextClipboard final : public ITextClipboard {
 public:
  void SetText(std::string_view text) override { texts_.emplace_back(text); }
  // Every text put on the clipboard, in order.
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
};

}  // namespace vitrix
