#include "http/multipart_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "rtl/exceptions.h"
#include "rtl/file_stream.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

using test::RandomBytes;
using test::TempDir;

// 15 March 2007, 14:05:09.123.
TDateTimeParts Moment() {
  TDateTimeParts moment;
  moment.Year = 2007;
  moment.Month = 3;
  moment.Day = 15;
  moment.Hour = 14;
  moment.Minute = 5;
  moment.Second = 9;
  moment.Millisecond = 123;
  return moment;
}

constexpr const char* kBoundary = "--------031507140509123";

std::string ReadAll(TStream& body, int64_t piece) {
  std::string bytes;
  std::string buffer(static_cast<size_t>(piece), '\0');
  for (;;) {
    const int64_t n = body.Read(buffer.data(), piece);
    if (n == 0) break;
    bytes.append(buffer.data(), static_cast<size_t>(n));
  }
  return bytes;
}

std::string ExpectedBody(const std::string& path_in_header, const std::string& data) {
  return std::string("--") + kBoundary + "\r\n" + "Content-Disposition: form-data; name=\"fichier\"; filename=\"" +
         path_in_header + "\"\r\n" + "Content-Type: multipart/form-data\r\n" + "\r\n" + data + "\r\n" + "--" +
         kBoundary + "--\r\n";
}

TEST(MultipartBody, BoundaryAndContentTypeComeFromTheMoment) {
  TNetMultiPartFormDataStream body(Moment());
  EXPECT_EQ(body.Boundary(), kBoundary);
  EXPECT_EQ(body.BodyContentType(), "multipart/form-data; boundary=--------031507140509123");
  TDateTimeParts midnight;
  midnight.Year = 2100;
  midnight.Month = 12;
  midnight.Day = 1;
  EXPECT_EQ(TNetMultiPartFormDataStream::MakeBoundary(midnight), "--------120100000000000");
  EXPECT_EQ(TNetMultiPartFormDataStream().Boundary().size(), 23u);
}

class MultipartFile : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(MultipartFile, OneFileFieldIsByteForByteTheExpectedBody) {
  // A 10-byte name in the header, as a path written the other way would be.
  const std::string data = RandomBytes(1000, 7);
  const std::string path = dir_.WriteFile("1.jpg", data);
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "multipart/form-data", std::string("C:\\x\\1.jpg"));

  EXPECT_EQ(body.Size(), 166 + 1000);
  const std::string bytes = ReadAll(body, 32768);
  EXPECT_TRUE(bytes == ExpectedBody("C:\\x\\1.jpg", data));
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), 166 + 1000);
}

TEST_F(MultipartFile, TheHeaderNamesThePathAsGivenByDefault) {
  const std::string path = dir_.WriteFile("capture.jpg", "JPEG");
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "multipart/form-data");
  EXPECT_EQ(body.Fields().Items(0)->FileName(), path);
  const std::string bytes = ReadAll(body, 32768);
  EXPECT_EQ(bytes, ExpectedBody(path, "JPEG"));
  EXPECT_EQ(body.Size(), static_cast<int64_t>(156 + path.size() + 4));
}

TEST_F(MultipartFile, AnEmptyFileGivesTheHeaderThenTheClosingLines) {
  const std::string path = dir_.WriteFile("empty.jpg", "");
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "multipart/form-data", std::string("C:\\x\\1.jpg"));
  EXPECT_EQ(ReadAll(body, 32768), ExpectedBody("C:\\x\\1.jpg", ""));
  EXPECT_EQ(body.Size(), 166);
}

TEST_F(MultipartFile, OneByteReadsEqualBigReadsAndRewindingReproducesTheBody) {
  const std::string first = dir_.WriteFile("a.bin", RandomBytes(70000, 1));
  const std::string second = dir_.WriteFile("b.bin", RandomBytes(32768, 2));
  const std::string third = dir_.WriteFile("c.bin", "");
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("one", first, "application/octet-stream");
  body.AddFileField("two", second, "image/jpeg", std::string("b.jpg"));
  body.AddFileField("three", third, "text/plain");
  const int64_t size = body.Size();

  const std::string big = ReadAll(body, 32768);
  body.SetPosition(0);
  const std::string small = ReadAll(body, 1);
  body.SetPosition(0);
  const std::string odd = ReadAll(body, 4093);

  EXPECT_EQ(static_cast<int64_t>(big.size()), size);
  EXPECT_TRUE(big == small);
  EXPECT_TRUE(big == odd);
  // Between two parts only the part's own CR LF stands before the next "--".
  EXPECT_NE(big.find("\r\n--" + std::string(kBoundary) + "\r\nContent-Disposition: form-data; name=\"two\""),
            std::string::npos);
}

TEST_F(MultipartFile, RewindingHalfWayStartsAgainFromTheFirstByte) {
  const std::string path = dir_.WriteFile("a.bin", RandomBytes(5000, 3));
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "multipart/form-data");
  const std::string whole = ReadAll(body, 32768);
  body.Seek(0, TSeekOrigin::soBeginning);
  char buffer[300];
  ASSERT_EQ(body.Read(buffer, 300), 300);
  EXPECT_EQ(body.Position(), 300);
  body.Seek(0, TSeekOrigin::soBeginning);
  EXPECT_TRUE(ReadAll(body, 777) == whole);
}

TEST_F(MultipartFile, SeekAnswersOnlyWhatTheBodyCanDo) {
  const std::string path = dir_.WriteFile("a.bin", "0123456789");
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "t", std::string("n"));
  const int64_t total = body.BodySize() + 29;
  char buffer[50];
  ASSERT_EQ(body.Read(buffer, 50), 50);
  EXPECT_EQ(body.Seek(10, TSeekOrigin::soBeginning), 50);
  EXPECT_EQ(body.Seek(-5, TSeekOrigin::soCurrent), 50);
  EXPECT_EQ(body.Seek(0, TSeekOrigin::soEnd), total);
  EXPECT_EQ(body.Seek(123, TSeekOrigin::soEnd), total);
  // Asking the size at a position other than 0 moves nothing.
  EXPECT_EQ(body.Size(), total);
  EXPECT_EQ(body.Position(), 50);
  EXPECT_EQ(body.Seek(0, TSeekOrigin::soBeginning), 0);
  EXPECT_EQ(body.Position(), 0);
}

TEST_F(MultipartFile, WritingIsUnsupported) {
  TNetMultiPartFormDataStream body(Moment());
  try {
    body.Write("x", 1);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unsupported operation.");
  }
}

TEST_F(MultipartFile, AFileThatCannotBeOpenedLeavesTheBodyUnchanged) {
  TNetMultiPartFormDataStream body(Moment());
  try {
    body.AddFileField("fichier", dir_.Path() + "missing.jpg", "multipart/form-data");
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Impossible d'ouvrir le fichier \"" + dir_.Path() + "missing.jpg\". ", 0), 0u)
        << e.Message();
  }
  EXPECT_EQ(body.Fields().Count(), 0);
  EXPECT_EQ(body.BodySize(), 0);
}

TEST_F(MultipartFile, WithoutFieldsTheBodyIsTheClosingDelimiterItAnnounces) {
  TNetMultiPartFormDataStream body(Moment());
  EXPECT_EQ(body.Size(), 29);
  EXPECT_EQ(ReadAll(body, 32768), "--" + std::string(kBoundary) + "--\r\n");
}

TEST_F(MultipartFile, TheFileIsHeldAgainstWritersWhileTheBodyLives) {
  const std::string path = dir_.WriteFile("held.jpg", "data");
  {
    TNetMultiPartFormDataStream body(Moment());
    body.AddFileField("fichier", path, "multipart/form-data");
    EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
    // Readers are welcome.
    EXPECT_NO_THROW(TFileStream(path, fmOpenRead | fmShareDenyWrite));
  }
  EXPECT_NO_THROW(TFileStream(path, fmCreate));
}

TEST_F(MultipartFile, AFileThatGrowsAfterwardsDoesNotMakeTheBodyLongerThanAnnounced) {
  const std::string path = dir_.WriteFile("grows.bin", "12345");
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "t", std::string("n"));
  const int64_t size = body.Size();
  {
    // A writer that takes no lock cannot be stopped; its bytes are not sent.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "678", 3), 3);
    ::close(fd);
  }
  const std::string bytes = ReadAll(body, 32768);
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), size);
  EXPECT_NE(bytes.find("\r\n\r\n12345\r\n--"), std::string::npos);
}

TEST_F(MultipartFile, SizesBeyondTwoGigabytesDoNotOverflow) {
  // A sparse file: large on paper, nothing on disk.
  const std::string path = dir_.WriteFile("huge.bin", "");
  const int64_t file_size = 5'000'000'000LL;
  ASSERT_EQ(::truncate(path.c_str(), file_size), 0);
  TNetMultiPartFormDataStream body(Moment());
  body.AddFileField("fichier", path, "multipart/form-data", std::string("C:\\x\\1.jpg"));
  EXPECT_EQ(body.Size(), 166 + file_size);
  EXPECT_EQ(body.Fields().Items(0)->PartSize(), 125 + 10 + file_size + 2);
  char buffer[4096];
  ASSERT_EQ(body.Read(buffer, sizeof buffer), 4096);
  EXPECT_EQ(body.Position(), 4096);
}

}  // namespace
}  // namespace vitrix
