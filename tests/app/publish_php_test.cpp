// Saving a capture and publishing it to the real image host (the PHP
// application of tools/imagehost, started by its own script): the host keeps
// the file byte for byte, the links box and the clipboard get its tag, and
// the image is served at the tag's address.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "controls/canvas_button.h"
#include "controls/memo.h"
#include "controls/radio_group.h"
#include "controls/status_bar.h"
#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "picture/clipboard.h"
#include "platform/testing/scripted_clipboard_device.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/testing/scripted_print_screen.h"
#include "platform/testing/scripted_text_clipboard.h"
#include "support/loopback_server.h"
#include "support/php_server.h"
#include "support/sample_images.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

class PublishToImageHostTest : public ::testing::Test {
 protected:
  PublishToImageHostTest() {
    Form1 = &form1_;
    Form2 = &form2_;
    Form3 = &form3_;
    auto capture = std::make_unique<TBitmap>();
    capture->SetImage(test::VariedSampleImage(640, 400));
    form2_.Image1->Picture().SetGraphic(std::move(capture));
  }
  ~PublishToImageHostTest() override {
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
  }

  std::vector<std::string> StoredImages() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(data_ + "/images")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::string Journal() const { return test::ReadWholeFile(form1_.dossiertravail + "vitrix.log"); }

  test::TestDesktop desktop_;
  std::string data_ = desktop_.home.Path() + "host";
  test::ScopedEnv data_folder_{"IMAGEHOST_DATA", data_};
  test::PhpServer host_{test::ServeScript{std::string(VITRIX_SOURCE_DIR) + "/tools/imagehost/serve"}};
  test::ScopedEnv service_{"VITRIX_SERVICE_URL", "http://127.0.0.1:" + std::to_string(host_.Port())};
  TForm1 form1_;
  TForm2 form2_;
  TForm3 form3_;
};

TEST_F(PublishToImageHostTest, SavedCaptureIsStoredAsItIsAndServedAtItsTag) {
  ASSERT_NE(host_.Port(), 0);
  const std::string base = "http://127.0.0.1:" + std::to_string(host_.Port()) + "/";
  form1_.sauvegardeimage();
  form1_.poster();

  const std::regex tag_form("\\[img\\](" + std::regex_replace(base, std::regex("[.]"), "\\.") +
                            "images/([0-9a-f]{32}\\.jpg))\\[/img\\]\r\n");
  const std::string links = form1_.affurl->Text();
  std::smatch tag;
  ASSERT_TRUE(std::regex_match(links, tag, tag_form)) << links;
  const std::string address = tag[1], name = tag[2];
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{links}));
  EXPECT_EQ(form1_.Statusb->PanelText(0),
            "Fichier exp\xE9"
            "di\xE9 avec succ\xE8s");

  const std::string saved = test::ReadWholeFile(form1_.Pipeline().nomimage);
  ASSERT_GT(saved.size(), 1000u);
  EXPECT_EQ(StoredImages(), (Texts{name}));
  EXPECT_EQ(test::ReadWholeFile(data_ + "/images/" + name), saved);
  const std::string fetched = desktop_.home.Path() + "fetched.jpg";
  ASSERT_EQ(std::system(("curl -s -f -o '" + fetched + "' '" + address + "'").c_str()), 0);
  EXPECT_EQ(test::ReadWholeFile(fetched), saved);

  // Both redirects were journalled.
  EXPECT_NE(Journal().find("\r\n" + base + "traitement.php?image=" + name + "\r\n" + base +
                           "resultat.php?image=" + name + "\r\n"),
            std::string::npos);
}

TEST_F(PublishToImageHostTest, AFileTheHostRefusesGivesNoTagAndAFailure) {
  ASSERT_NE(host_.Port(), 0);
  form1_.sauvegardeimage();
  // A JPEG cut short is not a whole image: the host says so.
  const std::string saved = test::ReadWholeFile(form1_.Pipeline().nomimage);
  std::filesystem::resize_file(form1_.Pipeline().nomimage, saved.size() / 2);
  form1_.poster();
  EXPECT_EQ(form1_.affurl->Text(),
            "Pas d'url image trouv\xE9"
            "e\r\n");
  EXPECT_EQ(form1_.Statusb->PanelText(0), "Echec de l'envoi du fichier");
  EXPECT_TRUE(StoredImages().empty());
}

// The upload-only action through a whole watch tick: the saved file goes
// only once the host serves its very bytes at the tag's address; a file no
// host took stays, and the user is told where.
TEST_F(PublishToImageHostTest, UploadOnlyDeletesTheFileOnceTheHostServesIt) {
  ASSERT_NE(host_.Port(), 0);
  TScriptedPrintScreen key;
  TScopedPlatform<IPrintScreen> use_key(key);
  TScriptedClipboardDevice clipboard;
  TScopedPlatform<IClipboardDevice> use_clipboard(clipboard);
  form1_.cg->SetItemIndex(3);
  form1_.prevauto->setChecked(false);
  form1_.Bout1Click(form1_.Bout1);
  desktop_.dialogs.Clear();

  clipboard.Add(CF_BITMAP, test::VariedSampleImage(320, 200));
  desktop_.dialogs.Script({mrNo});
  key.Press();
  form1_.UtilisationGetKeyState();
  const std::string first = form1_.Pipeline().nomimage;
  EXPECT_FALSE(std::filesystem::exists(first));
  ASSERT_EQ(StoredImages().size(), 1u);
  EXPECT_NE(form1_.affurl->Text().find("[img]http://127.0.0.1:"), std::string::npos);
  EXPECT_EQ(form1_.Statusb->PanelText(0),
            "Fichier exp\xE9"
            "di\xE9 avec succ\xE8s");
  ASSERT_EQ(desktop_.dialogs.Shown().size(), 2u);

  // A host that cannot be reached holds nothing.
  {
    test::RefusingPort gone;
    test::ScopedEnv elsewhere("VITRIX_SERVICE_URL", "http://127.0.0.1:" + std::to_string(gone.Port()));
    desktop_.dialogs.Script({mrNo});
    key.Press();
    form1_.UtilisationGetKeyState();
  }
  const std::string second = form1_.Pipeline().nomimage;
  EXPECT_TRUE(std::filesystem::exists(second));
  const auto& shown = desktop_.dialogs.Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().Request.Text,
            "L'image n'a pas pu \xEAtre h\xE9"
            "berg\xE9"
            "e ; elle reste enregistr\xE9"
            "e sous le nom " +
                second);
  EXPECT_EQ(form1_.Statusb->PanelText(0), "Echec de l'envoi du fichier");
  form1_.Bout1Click(form1_.Bout1);
}

}  // namespace
}  // namespace vitrix
