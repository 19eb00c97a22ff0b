#pragma once

// What the capture editor does to its picture, with no widget: the selection
// made with the pointer, the tools applied on release, the backup that Esc
// restores from, the crop, and the rubber band shown while a selection is
// dragged. The editor window forwards its events here and draws the band.

#include <functional>
#include <memory>

#include "editor/selection.h"
#include "picture/types.h"

namespace vitrix {

class TBitmap;
class TImage;

inline constexpr const char* kCropQuestionText = "Voulez vous vraiment redimensionner l'image";
inline constexpr const char* kCropQuestionCaption =
    "Op\xE9"
    "ration irr\xE9"
    "m\xE9"
    "diable";

// What Esc puts back: the area of the last selection (Esc), or the whole
// picture (Shift+Esc).
enum class TRestoreArea { raSelection, raWholePicture };

class TEditorModel {
 public:
  explicit TEditorModel(TImage& image);
  ~TEditorModel();
  TEditorModel(const TEditorModel&) = delete;
  TEditorModel& operator=(const TEditorModel&) = delete;

  // The current or last selection in picture coordinates: Left/Top where the
  // button went down, Right/Bottom where the pointer went last. Kept as the
  // pointer gave it (Right may be left of Left) and for the whole run.
  TRect zone;
  // A selection is being dragged.
  bool trace = false;
  // The picture as it was at opening or at the last crop: the source of
  // every undo. It exists while the editor is open.
  std::unique_ptr<TBitmap> sauvegarde;

  // Opening: the backup becomes a copy of the picture and both fill colours
  // are red. Closing frees the backup.
  void Open();
  void Close();

  // The fill colour of the picture's surface (the tools) and of the rubber
  // band, in that order.
  void SetFillColor(TColor color);
  TColor BandColor() const { return band_color_; }

  // The frame shown over the picture while a selection is dragged: the
  // selection in order, or an empty rectangle when no band is shown.
  TRect RubberBand() const;

  // A left or middle button went down.
  void StartSelection(int32_t x, int32_t y);
  // The pointer moved; only a selection in progress follows it.
  void DragTo(int32_t x, int32_t y);
  // A button went up: the selection ends there and the tool is applied.
  // Nothing happens when no selection was in progress.
  void EndSelection(int32_t x, int32_t y, TTool tool);

  // Crops the picture to the selection after the user confirmed it. A
  // selection that holds no pixel of the picture is refused without asking.
  // The cropped picture is the new backup. Returns whether it cropped.
  bool Crop();
  // Esc: the selection's part of the picture (or the whole picture) comes
  // back from the backup.
  void Restore(TRestoreArea area);

  // Raised when the rubber band moved, appeared or went away.
  std::function<void(const TRect& before, const TRect& after)> OnRubberBandChange;

 private:
  // Runs change, then reports the band's move if it moved.
  template <class Change>
  void ChangeBand(Change&& change);

  TImage& image_;
  TColor band_color_ = clRed;
  bool band_shown_ = false;
};

}  // namespace vitrix
