// A body built here, sent over a TNetTCPClient to PHP's built-in web server,
// must be understood by PHP's own multipart parser: same bytes, same size,
// and the file name as it was written in the part header.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "http/multipart_stream.h"
#include "net/tcp_client.h"
#include "rtl/strings.h"
#include "support/multipart_post.h"
#include "support/php_server.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

using test::RandomBytes;

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

struct PhpAnswer {
  std::string status;
  std::map<std::string, std::string> facts;
  std::string file;
};

// Posts the body as a minimal HTTP/1.0 request and reads PHP's whole answer.
PhpAnswer Post(int port, TNetMultiPartFormDataStream& body) {
  TNetTCPClient client;
  client.SetReadTimeout(20000);
  test::PostMultipart(client, port, body);

  PhpAnswer answer;
  answer.status = client.ReadLine();
  while (!client.ReadLine().empty()) {
  }
  for (std::string line = client.ReadLine(); !line.empty(); line = client.ReadLine()) {
    const size_t equals = line.find('=');
    answer.facts[line.substr(0, equals)] = line.substr(equals + 1);
  }
  TStringStream file;
  client.ReadToStream(file, -1, true);
  answer.file = file.DataString();
  client.Disconnect();
  return answer;
}

class PhpMultipart : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server_.Port(), 0) << "php -S could not be started (package php-cli)"; }
  test::PhpServer server_{std::string(VITRIX_HTTP_TEST_DATA) + "/upload_echo.php",
                          {"upload_max_filesize=64M", "post_max_size=64M", "file_uploads=1"}};
  test::TempDir dir_;
};

TEST_F(PhpMultipart, PhpReceivesTheSameBytesAndTheNameWeSent) {
  std::string data = RandomBytes(300000, 11);
  for (int i = 0; i < 256; ++i) data[static_cast<size_t>(i)] = static_cast<char>(i);
  // Delimiter-like lines inside the data must not confuse the parser.
  data.insert(1000, "\r\n--");
  const std::string path = dir_.WriteFile("capture.jpg", data);
  const std::string sent_name =
      "C:\\Documents\\vitrix\\capture d'\xE9"
      "cran.jpg";
  TNetMultiPartFormDataStream body;
  body.AddFileField("fichier", path, "image/jpeg", sent_name);

  const PhpAnswer answer = Post(server_.Port(), body);

  EXPECT_EQ(answer.status.substr(9, 3), "200") << answer.status;
  EXPECT_EQ(answer.facts.at("error"), "0");
  EXPECT_EQ(answer.facts.at("size"), IntToStr(static_cast<int64_t>(data.size())));
  EXPECT_EQ(answer.facts.at("full_path"), Hex(sent_name));
  // PHP's own name keeps only what follows the last slash or back slash.
  EXPECT_EQ(answer.facts.at("name"), Hex("capture d'\xE9"
                                         "cran.jpg"));
  EXPECT_EQ(answer.facts.at("type"), Hex("image/jpeg"));
  EXPECT_EQ(answer.file.size(), data.size());
  EXPECT_TRUE(answer.file == data);
}

TEST_F(PhpMultipart, AnEmptyFileArrivesEmpty) {
  const std::string path = dir_.WriteFile("empty.jpg", "");
  TNetMultiPartFormDataStream body;
  body.AddFileField("fichier", path, "multipart/form-data", std::string("1.jpg"));
  const PhpAnswer answer = Post(server_.Port(), body);
  EXPECT_EQ(answer.facts.at("error"), "0");
  EXPECT_EQ(answer.facts.at("size"), "0");
  EXPECT_EQ(answer.facts.at("full_path"), Hex("1.jpg"));
  EXPECT_EQ(answer.file, "");
}

}  // namespace
}  // namespace vitrix
