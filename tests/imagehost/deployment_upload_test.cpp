// vitrix's own upload dialogue against the image host's nginx + php-fpm
// deployment: a capture saved as vitrix saves it is posted, both redirects
// are followed with the host's cookie, the tag names the image at the site's
// https address, and the host keeps and serves the file byte for byte.
//
// The dialogue runs over each transport of kTransports: over plain http
// through the test listener of the deployment, and over https, where the
// client trusts the deployment's test authority through SSL_CERT_FILE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "deployment.h"
#include "http/http_client.h"
#include "picture/bitmap.h"
#include "picture/picture.h"
#include "publish/image_address.h"
#include "publish/jpeg_export.h"
#include "publish/upload.h"
#include "support/sample_images.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/upload_recorder.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

enum class Transport { kPlainHttp, kHttps };
const auto kTransports = ::testing::Values(Transport::kPlainHttp, Transport::kHttps);

void PrintTo(Transport transport, std::ostream* out) {
  *out << (transport == Transport::kHttps ? "https" : "plain http");
}

std::string TransportName(const ::testing::TestParamInfo<Transport>& info) {
  return info.param == Transport::kHttps ? "Https" : "PlainHttp";
}

std::string Escaped(const std::string& text) { return std::regex_replace(text, std::regex(R"([.?])"), R"(\$&)"); }

class DeploymentUpload : public ::testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.Started()) << "the deployment did not start (packages nginx, php8.2-fpm):\n" << host_.Log();
    ConfigureUploadClient(but_);
    if (GetParam() == Transport::kHttps) trust_.emplace("SSL_CERT_FILE", host_.CAFile());
  }

  std::string BaseURL() const { return GetParam() == Transport::kHttps ? host_.HttpsBaseURL() : host_.PlainBaseURL(); }

  // A capture saved as vitrix saves it, under the next free number.
  std::string SavedCapture(uint32_t seed) {
    TPicture picture;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(test::VariedSampleImage(800, 500, seed));
    picture.SetGraphic(std::move(bitmap));
    const std::string path = nouveaunom(work_.Path());
    SaveCaptureAsJpeg(picture, 95, path);
    return path;
  }

  // What curl fetches from an address of the site, checked against the test
  // authority.
  std::string FetchOverHttps(const std::string& address) {
    const std::string out = work_.Path() + "fetched.jpg";
    std::filesystem::remove(out);
    const std::string command = "curl -s -f --cacert '" + host_.CAFile() +
                                "' --resolve localhost:" + std::to_string(host_.HttpsPort()) + ":127.0.0.1 -o '" + out +
                                "' '" + address + "'";
    if (std::system(command.c_str()) != 0) return "curl failed: " + command;
    return test::ReadWholeFile(out);
  }

  Texts StoredImages() const {
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(host_.ImagesDir())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ImageHostDeployment host_;
  // The machine's own proxy settings stay out of the way.
  test::ScopedEnv no_proxy_{"no_proxy", std::string("*")};
  std::optional<test::ScopedEnv> trust_;
  test::TempDir work_;
  TNetHTTP but_;
  test::UploadRecorder recorder_;
};

TEST_P(DeploymentUpload, TheCaptureIsStoredAsItIsAndItsTagNamesTheHttpsSite) {
  const std::string capture = SavedCapture(1);
  const std::string base = BaseURL();

  UploadCapture(but_, base, capture, recorder_.Hooks());

  ASSERT_EQ(recorder_.links.size(), 1u);
  const std::regex tag_form("\\[img\\](" + Escaped(host_.HttpsBaseURL()) + "images/([0-9a-f]{32}\\.jpg))\\[/img\\]");
  std::smatch tag;
  ASSERT_TRUE(std::regex_match(recorder_.links[0], tag, tag_form)) << recorder_.links[0];
  const std::string address = tag[1], name = tag[2];
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadDone);
  EXPECT_EQ(recorder_.journal, (Texts{base + "traitement.php?image=" + name, base + "resultat.php?image=" + name}));

  const std::string saved = test::ReadWholeFile(capture);
  ASSERT_GT(saved.size(), 10000u);
  EXPECT_EQ(StoredImages(), (Texts{name}));
  EXPECT_EQ(test::ReadWholeFile(host_.ImagesDir() + name), saved);
  EXPECT_EQ(FetchOverHttps(address), saved);
}

// The client keeps its cookies and its last reply from one upload to the
// next, as the main window's client does.
TEST_P(DeploymentUpload, TwoUploadsInARowEachGetTheirOwnImage) {
  const std::string first = SavedCapture(1), second = SavedCapture(2);
  UploadCapture(but_, BaseURL(), first, recorder_.Hooks());
  UploadCapture(but_, BaseURL(), second, recorder_.Hooks());

  ASSERT_EQ(recorder_.links.size(), 2u);
  ASSERT_NE(recorder_.links[0], recorder_.links[1]);
  const std::string prefix = "[img]" + host_.HttpsBaseURL() + "images/";
  for (size_t i = 0; i < 2; ++i) {
    const std::string& link = recorder_.links[i];
    ASSERT_EQ(link.rfind(prefix, 0), 0u) << link;
    const std::string address = link.substr(5, link.size() - 11);
    EXPECT_EQ(FetchOverHttps(address), test::ReadWholeFile(i == 0 ? first : second)) << address;
  }
  EXPECT_EQ(StoredImages().size(), 2u);
}

TEST_P(DeploymentUpload, AFileTheHostRefusesGivesNoTagAndNothingIsStored) {
  const std::string capture = SavedCapture(3);
  // A JPEG cut short is not a whole image: the host says so.
  std::filesystem::resize_file(capture, std::filesystem::file_size(capture) / 2);

  UploadCapture(but_, BaseURL(), capture, recorder_.Hooks());

  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadFailed);
  EXPECT_TRUE(StoredImages().empty());
}

INSTANTIATE_TEST_SUITE_P(Transports, DeploymentUpload, kTransports, TransportName);

}  // namespace
}  // namespace vitrix
