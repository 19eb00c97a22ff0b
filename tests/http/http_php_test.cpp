// The client against PHP's built-in web server, an HTTP server written by
// others: the upload dialogue with its cookie, and bodies by length, by
// chunks and until the close, each compared with what curl fetches from the
// same address.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/multipart_stream.h"
#include "rtl/streams.h"
#include "support/child_process.h"
#include "support/php_server.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

class PhpHttp : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server_.Port(), 0) << "php -S could not be started (package php-cli)"; }

  // What curl fetches from url (with an optional Cookie header), or a note
  // that it failed.
  std::string Curl(const std::string& url, const std::string& cookie = {}) {
    const std::string out = dir_.Path() + "curl.out";
    std::vector<std::string> command = {"curl", "-s", "-S", "-o", out};
    if (!cookie.empty()) command.insert(command.end(), {"-b", cookie});
    command.push_back(url);
    if (test::RunChild(command).status != 0) return "curl failed: " + url;
    return test::ReadWholeFile(out);
  }

  std::string Fetch(const std::string& url) {
    TStringStream body;
    but_.Get(url, &body);
    return body.DataString();
  }

  test::PhpServer server_{std::string(VITRIX_HTTP_TEST_DATA) + "/dialogue.php"};
  test::TempDir dir_;
  TNetHTTP but_;
};

TEST_F(PhpHttp, TheUploadDialogueFollowsTwoRedirectsWithTheCookie) {
  const std::string file = test::RandomBytes(50000, 3);
  const std::string path = dir_.WriteFile("1.jpg", file);
  TNetMultiPartFormDataStream form;
  form.AddFileField("fichier", path, "multipart/form-data");
  const std::string base = server_.BaseURL();
  TStringStream reponse;
  std::vector<std::string> journal;
  const auto phase = [&](auto&& request) {
    try {
      request();
    } catch (const ENetHTTPProtocolException&) {
      if (but_.ResponseCode() == 302) journal.push_back(base + but_.Response().Location());
    }
  };
  phase([&] { but_.Post(base + "envoyer.php", form, &reponse); });
  phase([&] { but_.Get(base + but_.Response().Location(), &reponse); });
  phase([&] { but_.Get(base + but_.Response().Location(), &reponse); });

  const std::string final_url = base + "resultat.php?size=50000&cookie=abc123";
  ASSERT_EQ(journal, (std::vector<std::string>{base + "etape2.php?size=50000", final_url}));
  EXPECT_EQ(but_.ResponseCode(), 200);
  EXPECT_EQ(reponse.DataString(), Curl(final_url, "sess=abc123"));
  EXPECT_NE(reponse.DataString().find("size=50000 cookie=abc123"), std::string::npos);
}

TEST_F(PhpHttp, BodiesByLengthByChunksAndUntilCloseEqualWhatCurlFetches) {
  for (const char* page : {"length.php", "chunked.php", "close.php"}) {
    for (const int n : {0, 1, 4999, 300000}) {
      const std::string url = server_.BaseURL() + page + "?n=" + std::to_string(n);
      SCOPED_TRACE(url);
      const std::string ours = Fetch(url);
      EXPECT_EQ(ours.size(), static_cast<size_t>(n));
      EXPECT_TRUE(ours == Curl(url));
    }
  }
}

TEST_F(PhpHttp, ANotFoundPageRaisesWithItsBody) {
  try {
    Fetch(server_.BaseURL() + "missing.php");
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 404);
    EXPECT_EQ(std::string(e.what()).substr(0, 12), "HTTP/1.1 404");
    EXPECT_EQ(e.ErrorMessage(), "no such page: /missing.php");
  }
}

}  // namespace
}  // namespace vitrix
