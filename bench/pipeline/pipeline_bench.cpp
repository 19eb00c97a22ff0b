// The capture's road from pixels to forum tag: vitrix saving a 3840x2160
// capture as JPEG (quality 95) and uploading it to the local image host
// through its dialogue (POST, two redirects, result page, address found),
// against the reference tools doing the same work in the same run:
//   cjpeg -dct float -baseline -quality 95 on the capture's PPM, then
//   curl -L -F fichier=@file -H 'Expect:' -b '' to the same host.
// Each round runs both, alternating which goes first; medians are printed
// with the ratio vitrix / reference (goal <= 1.0). The two JPEG files are
// also compared: the same library on the same pixels gives the same bytes.
//
//   bench_pipeline [--size 3840x2160] [--runs 21]
//
// vitrix runs in this process, as it does in the program; cjpeg and curl are
// programs, so their start-up is part of their time.

#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "picture/bitmap.h"
#include "picture/picture.h"
#include "publish/image_address.h"
#include "publish/jpeg_export.h"
#include "publish/upload.h"
#include "support/child_process.h"
#include "support/php_server.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"
#include "support/timing.h"

namespace {

using namespace vitrix::test;
constexpr int kQuality = 95;

void EmptyFolder(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove(entry.path());
}

int Measure(int width, int height, int runs) {
  TempDir work;
  const std::string data = work.Path() + "host";
  ::setenv("IMAGEHOST_DATA", data.c_str(), 1);
  PhpServer host(ServeScript{VITRIX_IMAGEHOST_SERVE});
  if (host.Port() == 0) throw std::runtime_error("the image host did not start");
  const std::string base = host.BaseURL();

  const QImage image = ScreenshotSampleImage(width, height);
  vitrix::TPicture picture;
  {
    auto bitmap = std::make_unique<vitrix::TBitmap>();
    bitmap->SetImage(image);
    picture.SetGraphic(std::move(bitmap));
  }
  const std::string ppm = work.WriteFile("capture.ppm", ToPpm(image));
  const std::string folder = work.Path() + "vitrix/";
  std::filesystem::create_directories(folder);
  const std::string reference_jpeg = work.Path() + "reference.jpg";
  const std::string reference_page = work.Path() + "reference.html";

  // One client for the whole run, as the main window has.
  vitrix::TNetHTTP but;
  vitrix::ConfigureUploadClient(but);
  std::string link;
  const vitrix::TUploadHooks hooks{[](const std::string&, vitrix::TColor) {},
                                   [](const std::string&) {},
                                   [&link](const std::string& l) { link = l; },
                                   {}};
  std::string last_saved;
  // The first step of each side, timed apart.
  std::vector<double> t_save, t_cjpeg;
  const auto ours = [&] {
    const auto start = Clock::now();
    const std::string nomimage = vitrix::nouveaunom(folder);
    vitrix::SaveCaptureAsJpeg(picture, kQuality, nomimage);
    t_save.push_back(Seconds(start));
    vitrix::UploadCapture(but, base, nomimage, hooks);
    if (link == vitrix::kNoImageAddress) throw std::runtime_error("vitrix found no image address");
    last_saved = nomimage;
  };
  const auto reference = [&] {
    const auto start = Clock::now();
    RunChildOrThrow({VITRIX_CJPEG, "-dct", "float", "-baseline", "-quality", std::to_string(kQuality), "-outfile",
                     reference_jpeg, ppm});
    t_cjpeg.push_back(Seconds(start));
    RunChildOrThrow({VITRIX_CURL, "-s", "-S", "-L", "-F", "fichier=@" + reference_jpeg, "-H", "Expect:", "-b", "", "-o",
                     reference_page, base + "envoyer.php"});
    if (vitrix::extraiturl(ReadWholeFile(reference_page)) == vitrix::kNoImageAddress) {
      throw std::runtime_error("curl's dialogue found no image address");
    }
  };

  // One untimed round of each warms the caches, the host and the programs.
  ours();
  reference();
  const std::string ours_bytes = ReadWholeFile(last_saved);
  const bool identical = ours_bytes == ReadWholeFile(reference_jpeg);
  t_save.clear();
  t_cjpeg.clear();
  std::vector<double> t_ours, t_reference;
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = Clock::now();
      if ((run + turn) % 2 == 0) {
        ours();
        t_ours.push_back(Seconds(start));
      } else {
        reference();
        t_reference.push_back(Seconds(start));
      }
    }
    // The saved captures and the hosted copies would only fill the disk.
    EmptyFolder(folder);
    EmptyFolder(data + "/images");
  }

  const double m_ours = Median(t_ours), m_reference = Median(t_reference);
  std::printf(
      "pipeline %dx%d q%d, save + upload to the local image host (%d alternating runs, %zu bytes, "
      "identical JPEG: %s)\n",
      width, height, kQuality, runs, ours_bytes.size(), identical ? "yes" : "NO");
  std::printf("  vitrix %.1f ms (save %.1f ms), cjpeg + curl %.1f ms (cjpeg %.1f ms)\n", m_ours * 1e3,
              Median(t_save) * 1e3, m_reference * 1e3, Median(t_cjpeg) * 1e3);
  std::printf("  ratio vitrix/reference %.3f (goal <= 1.0)\n", m_ours / m_reference);
  return identical ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  int width = 3840, height = 2160, runs = 21;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--size" && i + 1 < argc && std::sscanf(argv[i + 1], "%dx%d", &width, &height) == 2) {
      ++i;
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--size 3840x2160] [--runs 21]\n", argv[0]);
      return 2;
    }
  }
  try {
    return Measure(width, height, runs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_pipeline: %s\n", e.what());
    return 1;
  }
}
