// The main window's part in the capture pipeline: showing the editor and
// saving its picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "controls/up_down.h"
#include "editor/capture_editor.h"
#include "editor/editor_model.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "platform/documents_folder.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/streams.h"
#include "support/modal.h"
#include "support/pixels.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

// The three windows over a work folder in a temporary home, with scripted
// message boxes; the editor holds a 160 x 100 capture.
class SaveCaptureTest : public ::testing::Test {
 protected:
  SaveCaptureTest() {
    Form1 = &form1_;
    Form2 = &form2_;
    Form3 = &form3_;
    auto capture = std::make_unique<TBitmap>();
    capture->SetImage(test::DistinctImage(160, 100));
    form2_.Image1->Picture().SetGraphic(std::move(capture));
    desktop_.dialogs.Clear();
  }

  std::string WorkFolder() const { return form1_.dossiertravail; }
  QImage Saved(const std::string& path) const { return QImage(QString::fromStdString(path), "JPEG"); }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(form2_.Image1, Qt::LeftButton, {}, from);
    QTest::mouseMove(form2_.Image1, to);
    QTest::mouseRelease(form2_.Image1, Qt::LeftButton, {}, to);
  }

  test::TestDesktop desktop_;
  TForm1 form1_;
  TForm2 form2_;
  TForm3 form3_;
};

TEST_F(SaveCaptureTest, VoirimageShowsTheEditorModallyAtTheTopLeftCorner) {
  form2_.move(300, 200);
  QPoint place;
  bool modal = false;
  test::WhenModalShows<TForm2>([&](TForm2& shown) {
    place = shown.pos();
    modal = shown.isModal();
    shown.close();
  });
  form1_.voirimage();
  EXPECT_EQ(place, QPoint(0, 0));
  EXPECT_TRUE(modal);
  EXPECT_FALSE(form2_.isVisible());
}

TEST_F(SaveCaptureTest, SavesFillTheGapsAtTheQualityChosenAndNameTheFile) {
  std::ofstream(WorkFolder() + "1.jpg") << "x";
  std::ofstream(WorkFolder() + "3.jpg") << "x";
  form1_.cjpg->SetPosition(40);
  form1_.sauvegardeimage();
  EXPECT_EQ(form1_.Pipeline().nomimage, WorkFolder() + "2.jpg");
  form1_.sauvegardeimage();
  EXPECT_EQ(form1_.Pipeline().nomimage, WorkFolder() + "4.jpg");

  ASSERT_EQ(desktop_.dialogs.Shown().size(), 2u);
  EXPECT_EQ(desktop_.dialogs.Shown()[0].Request.Text,
            "Image Sauvegard\xE9"
            "e sous le nom " +
                WorkFolder() + "2.jpg");
  EXPECT_EQ(desktop_.dialogs.Shown()[1].Request.Text,
            "Image Sauvegard\xE9"
            "e sous le nom " +
                WorkFolder() + "4.jpg");
  EXPECT_EQ(desktop_.dialogs.Shown()[1].Request.Buttons, TMsgButtons::mbOK);

  TJPEGImage expected;
  expected.SetSaveQuality(40);
  expected.CopyFrom(dynamic_cast<TBitmap&>(*form2_.Image1->Picture().Graphic()));
  TMemoryStream bytes;
  expected.WriteToStream(bytes);
  EXPECT_EQ(test::ReadWholeFile(WorkFolder() + "4.jpg"), std::string(bytes.View()));
}

TEST_F(SaveCaptureTest, WithoutAWorkFolderNothingIsSavedAnywhere) {
  // A Documents folder whose name has no Windows-1252 form: start-up
  // reports it and has no work folder.
  class UnwritableName final : public IDocumentsFolder {
   public:
    std::string Path() override { return DocumentsPathFromSystem("/home/\xC5\x82ukasz/Documents"); }
  } folder;
  TScopedPlatform<IDocumentsFolder> use(folder);
  TForm1 form;
  ASSERT_EQ(form.dossiertravail, "");
  desktop_.dialogs.Clear();
  const std::filesystem::path started_in = std::filesystem::current_path();
  std::filesystem::current_path(desktop_.home.Path());
  try {
    form.sauvegardeimage();
    ADD_FAILURE() << "the save went on without a work folder";
  } catch (const Exception& error) {
    EXPECT_EQ(std::string(error.Message()), kNoWorkFolderError);
  }
  std::filesystem::current_path(started_in);
  EXPECT_FALSE(FileExists(desktop_.home.Path() + "1.jpg"));
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

// A capture that JPEG keeps close: a smooth gradient.
TColor SmoothColor(int x, int y) { return RGB(x + 40, y * 2 + 20, 150); }

TEST_F(SaveCaptureTest, TheSavedFileHoldsTheEditedAndCroppedPicture) {
  auto capture = std::make_unique<TBitmap>(160, 100);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 160; ++x) capture->SetPixel(x, y, SmoothColor(x, y));
  }
  form2_.Image1->Picture().SetGraphic(std::move(capture));
  form2_.show();
  form2_.Editing().SetFillColor(clBlue);
  Drag(QPoint(40, 30), QPoint(104, 78));  // a blue mask with a black border
  form3_.rc->setChecked(true);
  desktop_.dialogs.Script({mrYes});
  Drag(QPoint(150, 90), QPoint(22, 14));  // crop, dragged up and to the left
  form2_.close();
  form1_.sauvegardeimage();

  const QImage saved = Saved(form1_.Pipeline().nomimage);
  ASSERT_EQ(saved.size(), QSize(128, 76));
  // The mask covers columns 18..81 and rows 16..63 of the cropped picture.
  // Inside it, away from the 16-pixel blocks that hold its black border:
  // blue within the JPEG's tolerance.
  for (int y = 34; y < 46; ++y) {
    for (int x = 34; x < 78; ++x) {
      const QRgb p = saved.pixel(x, y);
      ASSERT_TRUE(qRed(p) < 24 && qGreen(p) < 24 && qBlue(p) > 231) << x << "," << y;
    }
  }
  // Above the mask: the capture, moved by the crop.
  long difference = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 128; ++x) {
      const QRgb p = saved.pixel(x, y);
      const TColor original = SmoothColor(x + 22, y + 14);
      difference += std::abs(qRed(p) - GetRValue(original)) + std::abs(qGreen(p) - GetGValue(original)) +
                    std::abs(qBlue(p) - GetBValue(original));
    }
  }
  EXPECT_LT(difference / (16 * 128 * 3), 3);
}

}  // namespace
}  // namespace vitrix
