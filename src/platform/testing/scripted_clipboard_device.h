#pragma once

// A clipboard held in memory for tests: the test lists the formats in any
// order, with their data, and can make opening fail. It counts how often the
// clipboard was opened and closed.

#include <utility>

#include "platform/clipboard_device.h"

namespace vitrix {

class TScriptedClipboardDevice final : public IClipboardDevice {
 public:
  bool Open() override;
  void Close() override;
  std::vector<uint32_t> Formats() override;
  bool HasFormat(uint32_t format) override;
  TClipboardData Data(uint32_t format) override;
  std::vector<uint32_t> Palette() override { return palette_; }

  // Appends a format with its data (data may be empty: a listed format whose
  // data cannot be had).
  void Add(uint32_t format, TClipboardData data = {});
  void SetPalette(std::vector<uint32_t> palette);
  void Clear();
  void SetOpenFails(bool fails) { open_fails_ = fails; }

  int OpenCalls() const { return open_calls_; }
  int CloseCalls() const { return close_calls_; }
  bool IsOpen() const { return open_; }

 private:
  std::vector<std::pair<uint32_t, TClipboardData>> entries_;
  std::vector<uint32_t> palette_;
  bool open_fails_ = false;
  bool open_ = false;
  int open_calls_ = 0;
  int close_calls_ = 0;
};

}  // namespace vitrix
