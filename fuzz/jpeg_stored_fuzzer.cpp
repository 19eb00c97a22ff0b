// The JPEG picture's stored form as read from a window description: a
// length, then that many bytes of JPEG stream. Reading must fail cleanly
// (EReadError, EJPEG) or give a picture that decodes or fails with EJPEG,
// and writing the stored form back must give the bytes that were read.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vitrix::TMemoryStream input;
  input.WriteBuffer(data, static_cast<int64_t>(size));
  input.SetPosition(0);
  vitrix::TJPEGImage jpeg;
  try {
    jpeg.ReadStored(input);
  } catch (const vitrix::Exception&) {
    return 0;
  }
  const int64_t consumed = input.Position();
  vitrix::TMemoryStream output;
  jpeg.WriteStored(output);
  vitrix::fuzz::Check(
      output.Size() == consumed && std::memcmp(output.Memory(), data, static_cast<size_t>(consumed)) == 0,
      "the stored form written back is the one read");
  const int width = jpeg.Width();
  const int height = jpeg.Height();
  try {
    vitrix::TBitmap& bitmap = jpeg.DecodedBitmap();
    vitrix::fuzz::Check(bitmap.Width() == width && bitmap.Height() == height,
                        "the decoded bitmap has the size read from the header");
  } catch (const vitrix::Exception&) {
  }
  return 0;
}
