// Decoding a JPEG stream with any of the picture's decode settings: the
// first byte chooses the settings, the rest is the stream. Decoding must
// give a bitmap of the announced size or fail with EJPEG, within the memory
// that the fuzzer allows.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t choice = data[0];
  vitrix::TJPEGImage jpeg;
  vitrix::TJPEGSettings& settings = jpeg.Settings();
  settings.ScaleDown = static_cast<vitrix::TJPEGScaleDown>(choice & 3);
  settings.GrayOutput = (choice & 4) != 0;
  settings.DecodeDepth = (choice & 8) != 0 ? vitrix::TJPEGDecodeDepth::dd8Bit : vitrix::TJPEGDecodeDepth::dd24Bit;
  settings.DecodeSpeed = (choice & 16) != 0 ? vitrix::TJPEGDecodeSpeed::dsFast : vitrix::TJPEGDecodeSpeed::dsAccurate;
  settings.IncrementalDecode = (choice & 32) != 0;
  settings.BlockSmoothing = (choice & 64) == 0;

  vitrix::TMemoryStream input;
  input.WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
  input.SetPosition(0);
  try {
    jpeg.ReadFromStream(input);
    const int width = jpeg.Width();
    const int height = jpeg.Height();
    vitrix::TBitmap& bitmap = jpeg.DecodedBitmap();
    vitrix::fuzz::Check(bitmap.Width() == width && bitmap.Height() == height,
                        "the decoded bitmap has the announced size");
  } catch (const vitrix::Exception&) {
  }
  return 0;
}
