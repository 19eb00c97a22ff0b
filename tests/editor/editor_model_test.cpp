#include "editor/editor_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "picture/banner.h"
#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/image.h"
#include "picture/surface.h"
#include "platform/testing/scripted_dialogs.h"
#include "support/pixels.h"

namespace vitrix {
namespace {

using test::DistinctColor;
using test::ExpectPixels;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// An image control holding a 40 x 30 capture whose pixels all differ, with
// an opened editor over it and scripted message boxes.
class EditorModelTest : public ::testing::Test {
 protected:
  EditorModelTest() {
    image_.SetAutoSize(true);
    auto capture = std::make_unique<TBitmap>();
    capture->SetImage(test::DistinctImage(kWidth, kHeight));
    image_.Picture().SetGraphic(std::move(capture));
    model_.OnRubberBandChange = [this](const TRect& before, const TRect& after) {
      band_changes_.push_back({before, after});
    };
    model_.Open();
  }

  TBitmap& Picture() { return dynamic_cast<TBitmap&>(*image_.Picture().Graphic()); }

  // A selection from (x1, y1) to (x2, y2), with one movement half-way.
  void Select(int x1, int y1, int x2, int y2, TTool tool) {
    model_.StartSelection(x1, y1);
    model_.DragTo((x1 + x2) / 2, (y1 + y2) / 2);
    model_.EndSelection(x2, y2, tool);
  }

  TScriptedDialogs dialogs_;
  TScopedPlatform<IDialogs> use_dialogs_{dialogs_};
  TImage image_;
  TEditorModel model_{image_};
  std::vector<std::pair<TRect, TRect>> band_changes_;
};

TEST_F(EditorModelTest, OpeningCopiesThePictureIntoTheBackupAndSetsBothFillColoursToRed) {
  ASSERT_NE(model_.sauvegarde, nullptr);
  ExpectPixels(*model_.sauvegarde, DistinctColor);
  EXPECT_EQ(model_.sauvegarde->Canvas().CopyMode, cmSrcCopy);
  EXPECT_EQ(image_.DrawingCanvas().Brush.Color, clRed);
  EXPECT_EQ(model_.BandColor(), clRed);

  // The backup is a copy: drawing on the picture leaves it alone.
  Select(1, 1, 9, 9, TTool::tlFilledRectangle);
  ExpectPixels(*model_.sauvegarde, DistinctColor);
  model_.Close();
  EXPECT_EQ(model_.sauvegarde, nullptr);
}

TEST_F(EditorModelTest, PressAndReleaseAtOnePointChangeNoPixelWithAnyTool) {
  for (TTool tool : {TTool::tlFilledRectangle, TTool::tlOutline, TTool::tlCrop}) {
    model_.StartSelection(12, 7);
    model_.EndSelection(12, 7, tool);
  }
  ExpectPixels(Picture(), DistinctColor);
  // The empty crop was refused without a question.
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(EditorModelTest, EscRestoresExactlyTheSecondOfTwoOverlappingSelections) {
  Select(2, 2, 20, 15, TTool::tlFilledRectangle);
  Select(30, 25, 10, 8, TTool::tlFilledRectangle);  // dragged up and to the left
  model_.Restore(TRestoreArea::raSelection);
  ExpectPixels(Picture(), [](int x, int y) {
    if (Rect(10, 8, 30, 25).Contains(x, y)) return DistinctColor(x, y);
    if (!Rect(2, 2, 20, 15).Contains(x, y)) return DistinctColor(x, y);
    return (x == 2 || x == 19 || y == 2 || y == 14) ? clBlack : clRed;
  });
  // Shift+Esc brings the whole picture back.
  model_.Restore(TRestoreArea::raWholePicture);
  ExpectPixels(Picture(), DistinctColor);
}

TEST_F(EditorModelTest, EscForASelectionReachingPastThePictureRestoresThePartInside) {
  image_.DrawingCanvas().FillRect(Rect(0, 0, kWidth, kHeight));
  model_.zone = Rect(50, 40, 30, 20);
  model_.Restore(TRestoreArea::raSelection);
  ExpectPixels(Picture(), [](int x, int y) { return x >= 30 && y >= 20 ? DistinctColor(x, y) : clRed; });
}

TEST_F(EditorModelTest, ConfirmedCropKeepsTheSelectionAndBecomesTheNewBackup) {
  dialogs_.Script({mrYes});
  Select(25, 20, 5, 4, TTool::tlCrop);  // dragged up and to the left
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  const TMessageRequest& question = dialogs_.Shown()[0].Request;
  EXPECT_EQ(question.Text, "Voulez vous vraiment redimensionner l'image");
  EXPECT_EQ(question.Caption,
            "Op\xE9"
            "ration irr\xE9"
            "m\xE9"
            "diable");
  EXPECT_EQ(question.Buttons, TMsgButtons::mbYesNo);
  EXPECT_EQ(question.DefaultButton, mrYes);
  EXPECT_EQ(question.Icon, TMsgIcon::miNone);

  const auto cropped = [](int x, int y) { return DistinctColor(x + 5, y + 4); };
  ASSERT_EQ(Picture().Width(), 20);
  ASSERT_EQ(Picture().Height(), 16);
  ExpectPixels(Picture(), cropped);
  ExpectPixels(*model_.sauvegarde, cropped);
  EXPECT_EQ(image_.Width(), 20);
  EXPECT_EQ(image_.Height(), 16);
  // The selection stays as it was dragged, in the old coordinates.
  EXPECT_EQ(model_.zone, Rect(25, 20, 5, 4));

  // Shift+Esc after the crop brings back the cropped picture, not the
  // capture as first shown.
  image_.DrawingCanvas().FillRect(Rect(0, 0, 20, 16));
  model_.Restore(TRestoreArea::raWholePicture);
  ExpectPixels(Picture(), cropped);
}

TEST_F(EditorModelTest, CropReachingPastThePictureKeepsOnlyThePartInside) {
  dialogs_.Script({mrYes});
  Select(30, 22, 60, -10, TTool::tlCrop);
  ASSERT_EQ(Picture().Width(), 10);
  ASSERT_EQ(Picture().Height(), 22);
  ExpectPixels(Picture(), [](int x, int y) { return DistinctColor(x + 30, y); });
}

TEST_F(EditorModelTest, CropAnsweredNoOrHoldingNoPixelChangesNothing) {
  dialogs_.Script({mrNo});
  Select(5, 5, 20, 20, TTool::tlCrop);
  EXPECT_EQ(dialogs_.Shown().size(), 1u);
  // Wholly outside the picture, or without height: refused without asking.
  Select(50, 5, 70, 20, TTool::tlCrop);
  Select(5, 9, 30, 9, TTool::tlCrop);
  EXPECT_EQ(dialogs_.Shown().size(), 1u);
  ExpectPixels(Picture(), DistinctColor);
  ExpectPixels(*model_.sauvegarde, DistinctColor);
  EXPECT_EQ(image_.Width(), kWidth);
}

TEST_F(EditorModelTest, FilledRectangleRightAfterACropIsWhiteUntilTheFillColourIsSetAgain) {
  dialogs_.Script({mrYes});
  Select(0, 0, 20, 20, TTool::tlCrop);
  Select(2, 2, 6, 6, TTool::tlFilledRectangle);
  EXPECT_EQ(Picture().Pixel(2, 2), clBlack);
  EXPECT_EQ(Picture().Pixel(3, 3), clWhite);
  // The rubber band keeps the chosen colour meanwhile.
  EXPECT_EQ(model_.BandColor(), clRed);
  model_.SetFillColor(clBlue);
  Select(10, 10, 14, 14, TTool::tlFilledRectangle);
  EXPECT_EQ(Picture().Pixel(11, 11), clBlue);
}

TEST_F(EditorModelTest, RubberBandShowsTheSelectionInOrderOnlyWhileItIsDragged) {
  model_.StartSelection(20, 15);
  EXPECT_EQ(model_.RubberBand(), TRect());
  model_.DragTo(5, 30);
  EXPECT_EQ(model_.RubberBand(), Rect(5, 15, 20, 30));
  model_.DragTo(50, -5);  // outside the picture: the band follows
  EXPECT_EQ(model_.RubberBand(), Rect(20, -5, 50, 15));
  model_.EndSelection(50, -5, TTool::tlOutline);
  EXPECT_EQ(model_.RubberBand(), TRect());
  model_.DragTo(7, 7);  // no button held: nothing follows
  EXPECT_EQ(model_.RubberBand(), TRect());
  const std::vector<std::pair<TRect, TRect>> expected = {
      {TRect(), Rect(5, 15, 20, 30)},
      {Rect(5, 15, 20, 30), Rect(20, -5, 50, 15)},
      {Rect(20, -5, 50, 15), TRect()},
  };
  EXPECT_EQ(band_changes_, expected);
  EXPECT_FALSE(model_.trace);
}

TEST_F(EditorModelTest, SelectionStateLastsAcrossOpenings) {
  Select(3, 4, 9, 8, TTool::tlOutline);
  model_.SetFillColor(clBlue);
  model_.Close();
  model_.Open();
  EXPECT_EQ(model_.zone, Rect(3, 4, 9, 8));
  EXPECT_EQ(image_.DrawingCanvas().Brush.Color, clRed);
  // Esc first thing after opening copies the old selection from the fresh
  // backup: nothing visible changes.
  const QImage before = Picture().Image().copy();
  model_.Restore(TRestoreArea::raSelection);
  EXPECT_EQ(Picture().Image(), before);
  EXPECT_EQ(Picture().Pixel(3, 4), clRed);
}

TEST(EditorModelWithoutBitmap, OpeningAndEscFailWithTheNoBitmapMessage) {
  TImage image;
  image.SetAutoSize(true);
  LoadInitialBanner(image.Picture());
  TEditorModel model(image);
  try {
    model.Open();
    FAIL() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(),
              "Une image ne peut \xEAtre modifi\xE9"
              "e que si elle contient un bitmap");
  }
  EXPECT_THROW(model.Restore(TRestoreArea::raSelection), EInvalidOperation);
  model.StartSelection(1, 1);
  EXPECT_THROW(model.EndSelection(5, 5, TTool::tlFilledRectangle), EInvalidOperation);
  EXPECT_FALSE(model.trace);
}

}  // namespace
}  // namespace vitrix
