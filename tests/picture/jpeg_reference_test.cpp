// The JPEG picture must write exactly what the reference encoder writes for
// the same pixels: cjpeg with the float DCT, baseline tables and the same
// quality, run here on this machine (float DCT bytes depend on the CPU path,
// so nothing is compared against stored files).

#include <gtest/gtest.h>

#include <string>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "rtl/streams.h"
#include "support/child_process.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

std::string ReferenceEncoding(const test::TempDir& dir, const QImage& image, int quality) {
  const std::string ppm = dir.WriteFile("in.ppm", test::ToPpm(image));
  const std::string out = dir.Path() + "out.jpg";
  if (test::RunChild(
          {VITRIX_CJPEG, "-dct", "float", "-baseline", "-quality", std::to_string(quality), "-outfile", out, ppm})
          .status != 0) {
    return {};
  }
  return test::ReadWholeFile(out);
}

std::string OurEncoding(const QImage& image, int save_quality) {
  TBitmap bitmap;
  bitmap.SetImage(image);
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(static_cast<uint8_t>(save_quality));
  jpeg.CopyFrom(bitmap);
  TMemoryStream stream;
  jpeg.WriteToStream(stream);
  return std::string(stream.View());
}

struct Size {
  int width;
  int height;
};

class JpegMatchesReferenceEncoder : public ::testing::TestWithParam<Size> {};

TEST_P(JpegMatchesReferenceEncoder, ForEveryQuality) {
  const Size size = GetParam();
  const QImage image = test::VariedSampleImage(size.width, size.height, static_cast<uint32_t>(size.width));
  test::TempDir dir;
  // SaveQuality as set on the picture, and the quality the reference is run
  // with: 0 is encoded as 1 and values above 100 as 100.
  const std::pair<int, int> qualities[] = {{0, 1},   {1, 1},   {50, 50},   {75, 75},
                                           {90, 90}, {95, 95}, {100, 100}, {120, 100}};
  for (const auto& [save_quality, reference_quality] : qualities) {
    const std::string reference = ReferenceEncoding(dir, image, reference_quality);
    ASSERT_FALSE(reference.empty()) << "cjpeg failed at quality " << reference_quality;
    const std::string ours = OurEncoding(image, save_quality);
    ASSERT_EQ(ours.size(), reference.size()) << "quality " << save_quality;
    EXPECT_TRUE(ours == reference) << "bytes differ at quality " << save_quality;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegMatchesReferenceEncoder,
                         ::testing::Values(Size{1, 1}, Size{7, 3}, Size{17, 9}, Size{468, 60}, Size{1366, 768},
                                           Size{3840, 2160}),
                         [](const ::testing::TestParamInfo<Size>& row) {
                           return std::to_string(row.param.width) + "x" + std::to_string(row.param.height);
                         });

}  // namespace
}  // namespace vitrix
