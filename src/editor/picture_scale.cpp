#include "editor/picture_scale.h"

#include <cmath>

namespace vitrix {
namespace {

// A quotient or product within this of a whole number is that number: it
// only differs by the rounding of the floating-point arithmetic.
constexpr double kWholeTolerance = 1e-6;

int Down(double value) { return static_cast<int>(std::floor(value + kWholeTolerance)); }
int Up(double value) { return static_cast<int>(std::ceil(value - kWholeTolerance)); }

}  // namespace

int DevicePixelAt(double logical, double ratio) {
  return static_cast<int>(std::floor(logical * ratio + kPointerTolerance));
}

int LogicalExtent(int device_pixels, double ratio) { return device_pixels <= 0 ? 0 : Up(device_pixels / ratio); }

QRect DeviceRectCovering(const QRect& logical, double ratio) {
  if (logical.isEmpty()) return {};
  const int left = Down(logical.left() * ratio);
  const int top = Down(logical.top() * ratio);
  const int right = Up((logical.left() + logical.width()) * ratio);
  const int bottom = Up((logical.top() + logical.height()) * ratio);
  return QRect(left, top, right - left, bottom - top);
}

QRect LogicalRectCovering(const QRect& device, double ratio) {
  if (device.isEmpty()) return {};
  const int left = Down(device.left() / ratio);
  const int top = Down(device.top() / ratio);
  const int right = Up((device.left() + device.width()) / ratio);
  const int bottom = Up((device.top() + device.height()) / ratio);
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace vitrix
