#include "editor/editor_model.h"

#include "picture/bitmap.h"
#include "picture/image.h"
#include "picture/surface.h"
#include "platform/dialogs.h"

namespace vitrix {

TEditorModel::TEditorModel(TImage& image) : image_(image) {}

TEditorModel::~TEditorModel() = default;

template <class Change>
void TEditorModel::ChangeBand(Change&& change) {
  const TRect before = RubberBand();
  change();
  const TRect after = RubberBand();
  if (before != after && OnRubberBandChange) OnRubberBandChange(before, after);
}

TRect TEditorModel::RubberBand() const { return band_shown_ ? zone.Normalized() : TRect(); }

void TEditorModel::Open() {
  const int width = image_.Width();
  const int height = image_.Height();
  sauvegarde = std::make_unique<TBitmap>(width, height);
  sauvegarde->Canvas().CopyMode = cmSrcCopy;
  const TRect all = Rect(0, 0, width, height);
  sauvegarde->Canvas().CopyRect(all, image_.DrawingCanvas(), all);
  SetFillColor(clRed);
}

void TEditorModel::Close() {
  ChangeBand([this] { band_shown_ = false; });
  sauvegarde.reset();
}

void TEditorModel::SetFillColor(TColor color) {
  image_.DrawingCanvas().Brush.Color = color;
  if (band_color_ == color) return;
  band_color_ = color;
  // A band on show takes the new colour at once.
  if (band_shown_ && OnRubberBandChange) OnRubberBandChange(RubberBand(), RubberBand());
}

void TEditorModel::StartSelection(int32_t x, int32_t y) {
  ChangeBand([&] {
    zone.Left = x;
    zone.Top = y;
    trace = true;
  });
}

void TEditorModel::DragTo(int32_t x, int32_t y) {
  if (!trace) return;
  ChangeBand([&] {
    zone.Right = x;
    zone.Bottom = y;
    band_shown_ = true;
  });
}

void TEditorModel::EndSelection(int32_t x, int32_t y, TTool tool) {
  if (!trace) return;
  // The selection is over before the tool runs, so that a tool that fails
  // does not leave a band following the pointer.
  ChangeBand([&] {
    zone.Right = x;
    zone.Bottom = y;
    trace = false;
    band_shown_ = false;
  });
  switch (tool) {
    case TTool::tlFilledRectangle: PaintFilledRectangle(image_.DrawingCanvas(), zone); break;
    case TTool::tlOutline: PaintOutline(image_.DrawingCanvas(), zone); break;
    case TTool::tlCrop: Crop(); break;
  }
}

bool TEditorModel::Crop() {
  TPicture& picture = image_.Picture();
  // A crop without pixels would leave an empty picture and an empty backup:
  // the capture would be lost for good.
  const TRect kept = PictureRectOf(zone, picture.Width(), picture.Height());
  if (kept.IsEmpty()) return false;
  const TModalResult answer = Dialogs().MessageBox({.Text = kCropQuestionText,
                                                    .Caption = kCropQuestionCaption,
                                                    .Buttons = TMsgButtons::mbYesNo,
                                                    .DefaultButton = mrYes,
                                                    .Icon = TMsgIcon::miNone});
  if (answer != mrYes) return false;
  TSurface& canvas = image_.DrawingCanvas();
  if (!sauvegarde) sauvegarde = std::make_unique<TBitmap>();
  sauvegarde->SetSize(kept.Width(), kept.Height());
  sauvegarde->Canvas().CopyRect(Rect(0, 0, kept.Width(), kept.Height()), canvas, kept);
  // The picture becomes a copy of the backup: a new bitmap with a new
  // surface (white fill, black pen) until the fill colour is set again. The
  // image control takes the new size.
  picture.SetGraphic(sauvegarde.get());
  return true;
}

void TEditorModel::Restore(TRestoreArea area) {
  TSurface& canvas = image_.DrawingCanvas();
  if (!sauvegarde) return;
  const int width = image_.Picture().Width();
  const int height = image_.Picture().Height();
  const TRect rect =
      area == TRestoreArea::raWholePicture ? Rect(0, 0, width, height) : PictureRectOf(zone, width, height);
  canvas.CopyRect(rect, sauvegarde->Canvas(), rect);
}

}  // namespace vitrix
