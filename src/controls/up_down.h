#pragma once

// TUpDown: a spinner made of two arrow buttons that steps a position between
// a minimum and a maximum. It shows no number of its own.

#include <QWidget>
#include <cstdint>
#include <functional>

class QToolButton;

namespace vitrix {

enum class TUDBtnType : uint8_t { btNext, btPrev };

// Raised when a click is about to move the position to NewPosition; clearing
// AllowChange keeps the old position.
using TUDChangingEvent = std::function<void(QObject* Sender, bool& AllowChange, int32_t NewPosition)>;

class TUpDown : public QWidget {
 public:
  explicit TUpDown(QWidget* parent = nullptr);

  int32_t Min() const { return min_; }
  void SetMin(int32_t value) { min_ = value; }
  int32_t Max() const { return max_; }
  void SetMax(int32_t value) { max_ = value; }
  int32_t Increment() const { return increment_; }
  void SetIncrement(int32_t value) { increment_ = value; }
  int32_t Position() const { return position_; }
  // Sets the position (kept between Min and Max) without raising OnChanging.
  void SetPosition(int32_t value);

  TUDChangingEvent OnChanging;

  // What a click on the upper (btNext) or lower (btPrev) arrow does. At a
  // limit the click changes nothing and raises nothing.
  void Click(TUDBtnType button);

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t increment_ = 1;
  int32_t position_ = 0;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace vitrix
