#include "publish/jpeg_export.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "picture/banner.h"
#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/jpeg_image.h"
#include "picture/metafile.h"
#include "picture/picture.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/streams.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

QImage Decoded(const std::string& path) { return QImage(QString::fromStdString(path), "JPEG"); }

// The bytes the JPEG picture makes of a bitmap at a quality.
std::string EncodedAt(const QImage& pixels, int quality) {
  TBitmap bitmap;
  bitmap.SetImage(pixels);
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(static_cast<uint8_t>(quality));
  jpeg.CopyFrom(bitmap);
  TMemoryStream stream;
  jpeg.WriteToStream(stream);
  return std::string(stream.View());
}

TEST(NextFreeName, TakesTheLowestFreeNumberFromOne) {
  test::TempDir folder;
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "1.jpg");
  folder.WriteFile("1.jpg", "x");
  folder.WriteFile("3.jpg", "x");
  folder.WriteFile("2.png", "x");
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "2.jpg");
  folder.WriteFile("2.jpg", "x");
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "4.jpg");
}

// A bitmap picture of the sample pixels.
std::unique_ptr<TPicture> SamplePicture(int width, int height) {
  auto picture = std::make_unique<TPicture>();
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(test::VariedSampleImage(width, height));
  picture->SetGraphic(std::move(bitmap));
  return picture;
}

bool EntryThere(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

TEST(NextFreeName, SkipsFoldersLinksAndLinksThatPointNowhere) {
  test::TempDir folder;
  test::TempDir outside;
  ASSERT_EQ(::mkdir((folder.Path() + "1.jpg").c_str(), 0777), 0);
  ASSERT_EQ(::symlink((outside.Path() + "x.jpg").c_str(), (folder.Path() + "2.jpg").c_str()), 0);
  ASSERT_EQ(::symlink(outside.WriteFile("y.jpg", "y").c_str(), (folder.Path() + "3.jpg").c_str()), 0);
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "4.jpg");
}

// A folder 1.jpg made every later save fail; a dangling link 2.jpg led the
// capture out of the work folder.
TEST(SaveUnderNextName, GoesPastAFolderAndADanglingLinkAndWritesNothingOutside) {
  test::TempDir folder;
  test::TempDir outside;
  ASSERT_EQ(::mkdir((folder.Path() + "1.jpg").c_str(), 0777), 0);
  const std::string target = outside.Path() + "stolen.jpg";
  ASSERT_EQ(::symlink(target.c_str(), (folder.Path() + "2.jpg").c_str()), 0);
  auto picture = SamplePicture(32, 24);
  EXPECT_EQ(SaveCaptureUnderNextName(*picture, 90, folder.Path()), folder.Path() + "3.jpg");
  EXPECT_EQ(SaveCaptureUnderNextName(*picture, 90, folder.Path()), folder.Path() + "4.jpg");
  EXPECT_EQ(Decoded(folder.Path() + "3.jpg").size(), QSize(32, 24));
  EXPECT_FALSE(EntryThere(target));
  EXPECT_TRUE(DirectoryExists(folder.Path() + "1.jpg"));
}

TEST(SaveCapture, AnExistingFileIsNeverReplaced) {
  test::TempDir folder;
  const std::string path = folder.WriteFile("1.jpg", "earlier capture");
  auto picture = SamplePicture(16, 16);
  try {
    SaveCaptureAsJpeg(*picture, 95, path);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorCode(), EEXIST);
  }
  EXPECT_EQ(folder.ReadFile("1.jpg"), "earlier capture");
}

// Another saver (a second instance, another program) takes each name this
// save chose, between its look and its create, three times over: the save
// replaces none of those files and ends under the next free number.
TEST(SaveUnderNextName, ANameTakenBetweenTheLookAndTheCreateIsLeftAndTheNextOneTried) {
  test::TempDir folder;
  auto picture = SamplePicture(16, 16);
  std::vector<std::string> taken;
  const auto other_saver = [&](const std::string& path) {
    if (taken.size() < 3) taken.push_back(test::WriteWholeFile(path, "other") ? path : "");
  };
  EXPECT_EQ(SaveCaptureUnderNextName(*picture, 80, folder.Path(), other_saver), folder.Path() + "4.jpg");
  EXPECT_EQ(taken,
            (std::vector<std::string>{folder.Path() + "1.jpg", folder.Path() + "2.jpg", folder.Path() + "3.jpg"}));
  for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) EXPECT_EQ(folder.ReadFile(name), "other") << name;
  EXPECT_EQ(folder.ReadFile("4.jpg"), EncodedAt(test::VariedSampleImage(16, 16), 80));
}

// A folder that keeps filling up under the save is no race any more: the
// save gives up with the create error instead of running on for ever.
TEST(SaveUnderNextName, AFolderThatNeverStopsFillingEndsInTheCreateError) {
  test::TempDir folder;
  auto picture = SamplePicture(8, 8);
  const auto filler = [](const std::string& path) { test::WriteWholeFile(path, "other"); };
  try {
    SaveCaptureUnderNextName(*picture, 80, folder.Path(), filler);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorCode(), EEXIST);
  }
}

// A small tmpfs stands for a full disk. Mounting needs the right to mount;
// without it the test is skipped.
TEST(SaveCapture, AFullDiskNamesTheFileAndTheCauseAndLeavesNoHalfFile) {
  test::TempDir mount_point;
  if (::mount("vitrix-full", mount_point.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here (errno " << errno << ")";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{mount_point.Path()};
  // Noise does not compress: this JPEG is far larger than 64 KiB.
  auto picture = SamplePicture(1024, 768);
  const std::string path = mount_point.Path() + "1.jpg";
  try {
    SaveCaptureUnderNextName(*picture, 100, mount_point.Path());
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOSPC);
    EXPECT_EQ(e.Message(),
              "Erreur d'\xE9"
              "criture dans le fichier \"" +
                  path + "\". Il n'y a pas assez d'espace sur le disque.");
  }
  EXPECT_FALSE(EntryThere(path));
}

TEST(SaveCapture, WritesTheBitmapAtTheGivenQuality) {
  test::TempDir folder;
  const QImage pixels = test::VariedSampleImage(64, 48);
  for (int quality : {1, 95, 100}) {
    TPicture picture;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(pixels);
    picture.SetGraphic(std::move(bitmap));
    const std::string path = folder.Path() + std::to_string(quality) + ".jpg";
    SaveCaptureAsJpeg(picture, quality, path);
    EXPECT_EQ(test::ReadWholeFile(path), EncodedAt(pixels, quality)) << quality;
    EXPECT_EQ(Decoded(path).size(), QSize(64, 48)) << quality;
  }
}

TEST(SaveCapture, APictureWithoutPixelsIsRefusedAndNoFileIsMade) {
  test::TempDir folder;
  const std::string path = folder.Path() + "1.jpg";
  TPicture nothing;
  TPicture empty_bitmap;
  empty_bitmap.SetGraphic(std::make_unique<TBitmap>());
  for (TPicture* picture : {&nothing, &empty_bitmap}) {
    try {
      SaveCaptureAsJpeg(*picture, 95, path);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kEmptyCaptureText);
    }
    EXPECT_FALSE(FileExists(path));
  }
}

TEST(SaveCapture, OtherPictureKindsAreDrawnIntoABitmapAndKept) {
  test::TempDir folder;
  TPicture vector;
  TClipboardMetafile svg;
  svg.Bytes = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="32">)"
              R"(<rect width="40" height="32" fill="#ffffff"/><rect width="16" height="32" fill="#0000ff"/></svg>)";
  svg.MimeType = "image/svg+xml";
  svg.Right = 40;
  svg.Bottom = 32;
  vector.LoadClipboardData(CF_ENHMETAFILE, svg, {});
  SaveCaptureAsJpeg(vector, 100, folder.Path() + "1.jpg");
  const QImage saved = Decoded(folder.Path() + "1.jpg");
  ASSERT_EQ(saved.size(), QSize(40, 32));
  EXPECT_LT(qRed(saved.pixel(4, 16)), 16);
  EXPECT_GT(qBlue(saved.pixel(4, 16)), 239);
  EXPECT_GT(qRed(saved.pixel(32, 16)), 239);
  EXPECT_NE(dynamic_cast<TMetafile*>(vector.Graphic()), nullptr);

  TPicture banner;
  LoadInitialBanner(banner);
  SaveCaptureAsJpeg(banner, 95, folder.Path() + "2.jpg");
  EXPECT_EQ(Decoded(folder.Path() + "2.jpg").size(), QSize(468, 60));
  EXPECT_NE(dynamic_cast<TJPEGImage*>(banner.Graphic()), nullptr);
}

TEST(SaveCapture, AFolderThatCannotTakeTheFileRaisesTheCreateError) {
  test::TempDir folder;
  TPicture picture;
  picture.SetGraphic(std::make_unique<TBitmap>(8, 8));
  const std::string path = folder.Path() + "absent/1.jpg";
  EXPECT_THROW(SaveCaptureAsJpeg(picture, 95, path), EFCreateError);
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace vitrix
