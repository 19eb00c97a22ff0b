#include "picture/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/jpeg_codec.h"
#include "picture/metafile.h"
#include "rtl/file_stream.h"
#include "rtl/streams.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

std::unique_ptr<TBitmap> BitmapOf(const QImage& image) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(image);
  return bitmap;
}

// 16x16 blocks of flat colours: JPEG keeps them almost exactly.
QImage BlockImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(0, 0, 255),   qRgb(255, 255, 255),
                          qRgb(0, 0, 0),   qRgb(128, 64, 32), qRgb(20, 200, 180)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, colours[((x / 16) + 3 * (y / 16)) % 7]);
  }
  return image;
}

std::string Encoded(const QImage& image, int quality, bool gray = false, bool multi_scan = false) {
  auto bitmap = BitmapOf(image);
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(static_cast<uint8_t>(quality));
  jpeg.SetGrayOutput(gray);
  jpeg.SetMultiScan(multi_scan);
  jpeg.CopyFrom(*bitmap);
  TMemoryStream stream;
  jpeg.WriteToStream(stream);
  return std::string(stream.View());
}

void ReadInto(TJPEGImage& jpeg, const std::string& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  jpeg.ReadFromStream(stream);
}

std::string StoredForm(const std::string& bytes) {
  TMemoryStream stream;
  const auto n = static_cast<uint32_t>(bytes.size());
  const char length[4] = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                          static_cast<char>(n >> 24)};
  return std::string(length, 4) + bytes;
}

size_t FindMarker(const std::string& bytes, uint8_t marker) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && static_cast<uint8_t>(bytes[i + 1]) == marker) return i;
  }
  return std::string::npos;
}

int ExpectJpegError(TJPEGImage& jpeg) {
  try {
    jpeg.DecodedBitmap();
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), "Erreur JPEG #" + std::to_string(e.ErrorCode()));
    return e.ErrorCode();
  }
  ADD_FAILURE() << "no EJPEG";
  return 0;
}

TEST(JpegEncode, WritesBaselineJfifWithLumaSampledTwoByTwo) {
  const std::string bytes = Encoded(test::VariedSampleImage(64, 48), 95);
  ASSERT_GT(bytes.size(), 20u);
  // SOI, then APP0 "JFIF" version 1.01, density unit 0, density 1:1.
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xD8\xFF\xE0", 4));
  EXPECT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
  EXPECT_EQ(bytes.substr(11, 7), std::string("\x01\x01\x00\x00\x01\x00\x01", 7));
  const size_t sof = FindMarker(bytes, 0xC0);
  ASSERT_NE(sof, std::string::npos) << "not baseline";
  EXPECT_EQ(FindMarker(bytes, 0xC2), std::string::npos);
  EXPECT_EQ(static_cast<uint8_t>(bytes[sof + 5]) * 256 + static_cast<uint8_t>(bytes[sof + 6]), 48);
  EXPECT_EQ(static_cast<uint8_t>(bytes[sof + 7]) * 256 + static_cast<uint8_t>(bytes[sof + 8]), 64);
  ASSERT_EQ(bytes[sof + 9], 3);
  EXPECT_EQ(static_cast<uint8_t>(bytes[sof + 11]), 0x22);
  EXPECT_EQ(static_cast<uint8_t>(bytes[sof + 14]), 0x11);
  EXPECT_EQ(static_cast<uint8_t>(bytes[sof + 17]), 0x11);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string("\xFF\xD9", 2));
}

TEST(JpegEncode, GrayOutputWritesOneComponentAndMultiScanAProgressiveStream) {
  const QImage image = test::VariedSampleImage(40, 24);
  const std::string gray = Encoded(image, 90, true);
  const size_t sof = FindMarker(gray, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  EXPECT_EQ(gray[sof + 9], 1);

  const std::string progressive = Encoded(image, 90, false, true);
  EXPECT_NE(FindMarker(progressive, 0xC2), std::string::npos);
  TJPEGImage read;
  ReadInto(read, progressive);
  EXPECT_TRUE(read.MultiScan());
  TJPEGImage read_gray;
  ReadInto(read_gray, gray);
  EXPECT_TRUE(read_gray.Data()->IsGray);
  EXPECT_FALSE(read_gray.MultiScan());
}

TEST(JpegDecode, GivesBackThePixelsWithColoursInPlace) {
  const QImage image = BlockImage(64, 48);
  TJPEGImage jpeg;
  ReadInto(jpeg, Encoded(image, 100));
  TBitmap& decoded = jpeg.DecodedBitmap();
  ASSERT_EQ(decoded.Width(), 64);
  ASSERT_EQ(decoded.Height(), 48);
  // Chroma is sampled 2x2, so colours bleed across block edges: compare the
  // inside of each block.
  int worst = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      if (x % 16 < 3 || x % 16 > 12 || y % 16 < 3 || y % 16 > 12) continue;
      const QRgb want = image.pixel(x, y);
      const TColor got = decoded.Pixel(x, y);
      worst = std::max({worst, std::abs(qRed(want) - GetRValue(got)), std::abs(qGreen(want) - GetGValue(got)),
                        std::abs(qBlue(want) - GetBValue(got))});
    }
  }
  EXPECT_LE(worst, 6);
  // The middle of the first block is pure red: red stays red.
  const TColor red = decoded.Pixel(8, 8);
  EXPECT_GE(GetRValue(red), 250);
  EXPECT_LE(GetGValue(red), 5);
  EXPECT_LE(GetBValue(red), 5);
  const TColor blue = decoded.Pixel(40, 8);
  EXPECT_LE(GetRValue(blue), 5);
  EXPECT_GE(GetBValue(blue), 250);
}

TEST(JpegDecode, GrayOutputAndEightBitDepthGivePaletteBitmaps) {
  const std::string bytes = Encoded(BlockImage(32, 32), 95);
  TJPEGImage gray;
  gray.SetGrayOutput(true);
  ReadInto(gray, bytes);
  TBitmap& gray_bitmap = gray.DecodedBitmap();
  const TColor pixel = gray_bitmap.Pixel(8, 8);
  EXPECT_EQ(GetRValue(pixel), GetGValue(pixel));
  EXPECT_EQ(GetGValue(pixel), GetBValue(pixel));
  EXPECT_FALSE(gray_bitmap.Palette().Empty());

  TJPEGImage eight_bit;
  eight_bit.Settings().DecodeDepth = TJPEGDecodeDepth::dd8Bit;
  ReadInto(eight_bit, bytes);
  TBitmap& bitmap = eight_bit.DecodedBitmap();
  EXPECT_LE(bitmap.Palette().Entries.size(), 236u);
  EXPECT_GE(GetRValue(bitmap.Pixel(8, 8)), 200);
}

TEST(JpegDecode, ScaleDownGivesTheScaledSizeWithoutDecoding) {
  TJPEGImage jpeg;
  jpeg.Settings().ScaleDown = TJPEGScaleDown::sdQuarter;
  ReadInto(jpeg, Encoded(BlockImage(64, 40), 90));
  EXPECT_EQ(jpeg.Width(), 16);
  EXPECT_EQ(jpeg.Height(), 10);
  EXPECT_FALSE(jpeg.HasBitmap());
  EXPECT_EQ(jpeg.DecodedBitmap().Width(), 16);
}

TEST(JpegDecode, IncrementalDecodeOfAMultiScanStreamEndsWithTheFinalPicture) {
  const std::string bytes = Encoded(BlockImage(48, 32), 95, false, true);
  TJPEGImage direct, incremental;
  incremental.Settings().IncrementalDecode = true;
  ReadInto(direct, bytes);
  ReadInto(incremental, bytes);
  EXPECT_TRUE(direct.DecodedBitmap().Equals(incremental.DecodedBitmap()));
}

TEST(JpegDecode, EmptyStreamFailsWithCode42AndTruncatedStreamStillDecodes) {
  TJPEGImage empty;
  TMemoryStream nothing;
  empty.ReadCompressed(0, nothing);
  EXPECT_FALSE(empty.Empty());
  EXPECT_EQ(ExpectJpegError(empty), 42);
  // The failure is not forgotten: asking again reports it again.
  EXPECT_EQ(ExpectJpegError(empty), 42);

  const std::string whole = Encoded(test::VariedSampleImage(64, 64), 90);
  TJPEGImage truncated;
  ReadInto(truncated, whole.substr(0, whole.size() / 2));
  TBitmap& bitmap = truncated.DecodedBitmap();
  EXPECT_EQ(bitmap.Width(), 64);
  EXPECT_EQ(bitmap.Height(), 64);
}

TEST(JpegDecode, HostileStreamsFailWithEJpegInsteadOfExhaustingMemory) {
  std::string huge = Encoded(BlockImage(16, 16), 90);
  const size_t sof = FindMarker(huge, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  // 65500 x 65500: the header alone is fine, decoding is refused.
  huge[sof + 5] = huge[sof + 7] = static_cast<char>(0xFF);
  huge[sof + 6] = huge[sof + 8] = static_cast<char>(0xDC);
  TJPEGImage big;
  ReadInto(big, huge);
  EXPECT_EQ(big.Width(), 65500);
  EXPECT_EQ(ExpectJpegError(big), jpeg::kErrorImageTooBig);

  // The first scan of a progressive stream repeated a thousand times.
  const std::string progressive = Encoded(BlockImage(16, 16), 90, false, true);
  const size_t first_scan = FindMarker(progressive, 0xDA);
  ASSERT_NE(first_scan, std::string::npos);
  size_t next = first_scan + 2;
  while (
      next + 1 < progressive.size() &&
      !(static_cast<uint8_t>(progressive[next]) == 0xFF && static_cast<uint8_t>(progressive[next + 1]) != 0 &&
        (static_cast<uint8_t>(progressive[next + 1]) < 0xD0 || static_cast<uint8_t>(progressive[next + 1]) > 0xD7))) {
    ++next;
  }
  const std::string scan = progressive.substr(first_scan, next - first_scan);
  std::string many = progressive.substr(0, first_scan);
  for (int i = 0; i < 1000; ++i) many += scan;
  many += "\xFF\xD9";
  TJPEGImage scans;
  ReadInto(scans, many);
  EXPECT_EQ(ExpectJpegError(scans), jpeg::kErrorNotImplemented);
}

TEST(JpegStoredForm, RoundTripsAndReadsOnlyTheHeader) {
  const std::string bytes = Encoded(test::VariedSampleImage(30, 20), 80);
  TMemoryStream stored;
  const std::string form = StoredForm(bytes) + "after";
  stored.WriteBuffer(form.data(), static_cast<int64_t>(form.size()));
  stored.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.ReadStored(stored);
  EXPECT_EQ(stored.Position(), static_cast<int64_t>(4 + bytes.size()));
  EXPECT_EQ(jpeg.Width(), 30);
  EXPECT_EQ(jpeg.Height(), 20);
  EXPECT_FALSE(jpeg.HasBitmap());

  TMemoryStream written;
  jpeg.WriteStored(written);
  EXPECT_EQ(std::string(written.View()), StoredForm(bytes));
  EXPECT_FALSE(jpeg.HasBitmap()) << "storing must not decode";
}

TEST(JpegStoredForm, EmptyPictureStoresFourZeroBytesAndZeroLengthReadsNothingMore) {
  TJPEGImage empty;
  TMemoryStream written;
  empty.WriteStored(written);
  EXPECT_EQ(std::string(written.View()), std::string(4, '\0'));

  TMemoryStream stored;
  stored.WriteBuffer("\0\0\0\0xyz", 7);
  stored.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.ReadStored(stored);
  EXPECT_EQ(stored.Position(), 4);
  EXPECT_EQ(jpeg.Width(), 0);
  EXPECT_FALSE(jpeg.HasBitmap());
}

TEST(JpegStoredForm, LengthBeyondTheStreamIsAReadErrorAndChangesNothing) {
  const std::string bytes = Encoded(BlockImage(16, 16), 90);
  TJPEGImage jpeg;
  ReadInto(jpeg, bytes);
  const auto before = jpeg.Data();
  for (const std::string& length : {std::string("\x00\x00\x00\x80", 4), std::string("\xFF\xFF\xFF\x7F", 4),
                                    std::string("\xFF\xFF\xFF\xFF", 4), std::string("\x10\x00\x00\x00", 4)}) {
    TMemoryStream stored;
    const std::string form = length + "short";
    stored.WriteBuffer(form.data(), static_cast<int64_t>(form.size()));
    stored.SetPosition(0);
    EXPECT_THROW(jpeg.ReadStored(stored), EReadError);
    EXPECT_EQ(jpeg.Data(), before);
  }
  TMemoryStream short_length;
  short_length.WriteBuffer("\x01\x00", 2);
  short_length.SetPosition(0);
  EXPECT_THROW(jpeg.ReadStored(short_length), EReadError);
}

TEST(JpegPicture, EmptyOrZeroSizedBitmapWritesNothing) {
  TMemoryStream out;
  TJPEGImage empty;
  empty.WriteToStream(out);
  EXPECT_EQ(out.Size(), 0);

  // The save sequence: Encode on the empty object, then the bitmap, then the
  // write, which encodes the bitmap.
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(95);
  jpeg.Encode();
  TBitmap zero;
  jpeg.CopyFrom(zero);
  jpeg.WriteToStream(out);
  EXPECT_EQ(out.Size(), 0);

  auto bitmap = BitmapOf(BlockImage(16, 16));
  jpeg.CopyFrom(*bitmap);
  jpeg.WriteToStream(out);
  EXPECT_EQ(std::string(out.View()), Encoded(BlockImage(16, 16), 95));
}

TEST(JpegPicture, CopyFromAnotherJpegSharesItsStreamButNotItsSettings) {
  TJPEGImage first;
  ReadInto(first, Encoded(BlockImage(32, 16), 70));
  first.SetSaveQuality(33);
  TJPEGImage second;
  second.CopyFrom(first);
  EXPECT_EQ(second.Data(), first.Data());
  EXPECT_EQ(first.Data().use_count(), 2);
  EXPECT_EQ(second.SaveQuality(), JpegDefaults().SaveQuality);
  EXPECT_TRUE(second.Equals(first));
  second.SetGrayOutput(true);
  EXPECT_FALSE(first.GrayOutput());
  TMemoryStream a, b;
  first.WriteToStream(a);
  second.WriteToStream(b);
  EXPECT_EQ(a.View(), b.View());

  TBitmap bitmap;
  first.CopyTo(bitmap);
  EXPECT_EQ(bitmap.Width(), 32);
  TMetafile metafile;
  try {
    first.CopyFrom(metafile);
    ADD_FAILURE() << "no EConvertError";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Impossible d'affecter TMetafile \xE0 TJPEGImage");
  }
}

TEST(JpegPicture, SizeCannotBeSet) {
  TJPEGImage jpeg;
  try {
    jpeg.SetWidth(10);
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_EQ(e.Message(), "Impossible de modifier la taille d'une image JPEG");
  }
  EXPECT_THROW(jpeg.SetHeight(10), EInvalidGraphicOperation);
}

TEST(JpegPicture, SaveToPathWritesTheStreamOrReportsTheFileThatCannotBeCreated) {
  test::TempDir dir;
  auto bitmap = BitmapOf(BlockImage(16, 16));
  TJPEGImage jpeg;
  jpeg.CopyFrom(*bitmap);
  jpeg.SaveToPath(dir.Path() + "1.jpg");
  EXPECT_EQ(dir.ReadFile("1.jpg"), Encoded(BlockImage(16, 16), JpegDefaults().SaveQuality));

  const std::string missing = dir.Path() + "absent/1.jpg";
  try {
    jpeg.SaveToPath(missing);
    ADD_FAILURE() << "no EFCreateError";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Impossible de cr\xE9"
                                "er le fichier \"" +
                                    missing + "\". ",
                                0),
              0u)
        << e.Message();
  }
}

struct ProgressLog {
  std::vector<TProgressStage> stages;
  std::vector<int> percents;
  void Attach(TGraphic& graphic) {
    graphic.OnProgress = [this](TGraphic&, TProgressStage stage, uint8_t percent, bool, const TRect&,
                                const std::string& message) {
      EXPECT_TRUE(message.empty());
      stages.push_back(stage);
      percents.push_back(percent);
    };
  }
};

class JpegProgress : public ::testing::Test {
 protected:
  void SetUp() override { jpeg::progress_interval_ms = 0; }
  void TearDown() override { jpeg::progress_interval_ms = 500; }
};

TEST_F(JpegProgress, EncodeAndDecodeReportStartingRunningEnding) {
  auto bitmap = BitmapOf(test::VariedSampleImage(256, 256));
  TJPEGImage jpeg;
  jpeg.CopyFrom(*bitmap);
  ProgressLog log;
  log.Attach(jpeg);
  jpeg.Encode();
  ASSERT_GE(log.stages.size(), 3u);
  EXPECT_EQ(log.stages.front(), TProgressStage::psStarting);
  EXPECT_EQ(log.stages[1], TProgressStage::psRunning);
  EXPECT_EQ(log.stages.back(), TProgressStage::psEnding);
  EXPECT_EQ(log.percents.back(), 100);

  TJPEGImage reader;
  TMemoryStream bytes;
  jpeg.WriteToStream(bytes);
  bytes.SetPosition(0);
  reader.ReadFromStream(bytes);
  ProgressLog read_log;
  read_log.Attach(reader);
  reader.DecodedBitmap();
  ASSERT_GE(read_log.stages.size(), 3u);
  EXPECT_EQ(read_log.stages.front(), TProgressStage::psStarting);
  EXPECT_EQ(read_log.stages.back(), TProgressStage::psEnding);
}

TEST_F(JpegProgress, AbortFromAListenerInsideLibjpegEndsSilently) {
  auto bitmap = BitmapOf(test::VariedSampleImage(256, 256));
  TJPEGImage jpeg;
  jpeg.CopyFrom(*bitmap);
  jpeg.OnProgress = [](TGraphic&, TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
    if (stage == TProgressStage::psRunning) throw EAbort();
  };
  EXPECT_NO_THROW(jpeg.Encode());
  EXPECT_EQ(jpeg.Data()->Bytes, nullptr) << "a cancelled encoding keeps no stream";

  jpeg.OnProgress = nullptr;
  TMemoryStream bytes;
  jpeg.WriteToStream(bytes);
  ASSERT_GT(bytes.Size(), 0);
  bytes.SetPosition(0);
  TJPEGImage reader;
  reader.ReadFromStream(bytes);
  reader.OnProgress =
      jpeg.OnProgress = [](TGraphic&, TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
        if (stage == TProgressStage::psRunning) throw EAbort();
      };
  EXPECT_NO_THROW(reader.DecodedBitmap());
  EXPECT_EQ(reader.DecodedBitmap().Width(), 256) << "a cancelled decode keeps its partial bitmap";
}

TEST_F(JpegProgress, OtherErrorsFromAListenerPropagateAndDropThePartialStream) {
  auto bitmap = BitmapOf(test::VariedSampleImage(256, 256));
  TJPEGImage jpeg;
  jpeg.CopyFrom(*bitmap);
  jpeg.OnProgress = [](TGraphic&, TProgressStage stage, uint8_t, bool, const TRect&, const std::string&) {
    if (stage == TProgressStage::psRunning) throw Exception("stop");
  };
  EXPECT_THROW(jpeg.Encode(), Exception);
  EXPECT_EQ(jpeg.Data()->Bytes, nullptr);
}

}  // namespace
}  // namespace vitrix
