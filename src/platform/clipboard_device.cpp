#include "platform/clipboard_device.h"

#include "platform/qt_clipboard_device.h"

namespace vitrix {
namespace {

std::unique_ptr<TClipboardDevice>& Installed() {
  static std::unique_ptr<TClipboardDevice> device;
  return device;
}

}  // namespace

TClipboardDevice& ClipboardDevice() {
  auto& device = Installed();
  if (!device) device = std::make_unique<TQtClipboardDevice>();
  return *device;
}

std::unique_ptr<TClipboardDevice> SetClipboardDevice(std::unique_ptr<TClipboardDevice> device) {
  auto previous = std::move(Installed());
  Installed() = std::move(device);
  return previous;
}

}  // namespace vitrix
