// Encoding speed of the JPEG picture at quality 95 on screenshot-sized
// pictures, as two ratios measured in this one run (medians of alternating
// runs):
//   - against cjpeg -dct float -baseline -quality 95 on the same pixels (the
//     reference tool, which also starts and reads its PPM input);
//   - against the bare libjpeg calls in this process with the same settings,
//     rows handed straight from the 32-bit pixels as JCS_EXT_BGRX, one row
//     per jpeg_write_scanlines, into a growing memory buffer: the library's
//     own limit.
// The three outputs are also checked to be the same bytes.

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "rtl/streams.h"
#include "support/child_process.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"
#include "support/timing.h"

namespace {

constexpr int kQuality = 95;
constexpr int kRuns = 31;

using namespace vitrix::test;

std::string EncodeWithPicture(const vitrix::TBitmap& bitmap) {
  vitrix::TJPEGImage jpeg;
  jpeg.SetSaveQuality(kQuality);
  jpeg.CopyFrom(const_cast<vitrix::TBitmap&>(bitmap));
  vitrix::TMemoryStream stream;
  jpeg.WriteToStream(stream);
  return std::string(stream.View());
}

std::string EncodeWithBareLibjpeg(const QImage& image) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  info.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&info, kQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string result(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return result;
}

bool RunReference(const std::string& ppm, const std::string& out) {
  try {
    return RunChild(
               {VITRIX_CJPEG, "-dct", "float", "-baseline", "-quality", std::to_string(kQuality), "-outfile", out, ppm})
               .status == 0;
  } catch (const std::exception&) {
    return false;
  }
}

bool Measure(int width, int height) {
  const QImage image = ScreenshotSampleImage(width, height);
  vitrix::TBitmap bitmap;
  bitmap.SetImage(image);
  const TempDir folder;
  const std::string ppm = folder.WriteFile("in.ppm", ToPpm(image));
  const std::string out = folder.Path() + "out.jpg";

  const std::string ours = EncodeWithPicture(bitmap);
  const std::string bare = EncodeWithBareLibjpeg(image);
  const bool reference_ran = RunReference(ppm, out);
  const std::string reference = ReadWholeFile(out);
  const bool same = reference_ran && ours == reference && ours == bare;

  std::vector<double> t_ours, t_reference, t_bare;
  for (int run = 0; run < kRuns; ++run) {
    // The order turns each round so that no method always runs first.
    for (int step = 0; step < 3; ++step) {
      const auto start = Clock::now();
      switch ((run + step) % 3) {
        case 0:
          EncodeWithPicture(bitmap);
          t_ours.push_back(Seconds(start));
          break;
        case 1:
          RunReference(ppm, out);
          t_reference.push_back(Seconds(start));
          break;
        case 2:
          EncodeWithBareLibjpeg(image);
          t_bare.push_back(Seconds(start));
          break;
      }
    }
  }

  const double m_ours = Median(t_ours), m_reference = Median(t_reference), m_bare = Median(t_bare);
  std::printf("jpeg_encode %dx%d q%d (%d runs, %zu bytes, identical output: %s)\n", width, height, kQuality, kRuns,
              ours.size(), same ? "yes" : "NO");
  std::printf("  picture %.1f ms, cjpeg %.1f ms, bare libjpeg %.1f ms\n", m_ours * 1e3, m_reference * 1e3,
              m_bare * 1e3);
  std::printf("  ratio picture/cjpeg        %.3f (goal <= 1.0)\n", m_ours / m_reference);
  std::printf("  ratio picture/bare libjpeg %.3f (goal <= 1.05)\n", m_ours / m_bare);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  bool ok = Measure(3840, 2160);
  ok = Measure(7680, 4320) && ok;
  return ok ? 0 : 1;
}
