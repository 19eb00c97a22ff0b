#include "controls/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>

#include "platform/qt_text.h"

namespace vitrix {
namespace {

// Room left for the frame: above the first item (where a title would be) and
// around the items.
constexpr int kTopMargin = 10;
constexpr int kSideMargin = 8;
constexpr int kBottomMargin = 2;

}  // namespace

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this)) {}

void TRadioGroup::SetItems(const std::vector<std::string>& items) {
  for (QRadioButton* button : buttons_) delete button;
  buttons_.clear();
  items_ = items;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    auto* button = new QRadioButton(ToQString(items_[i]), this);
    group_->addButton(button, static_cast<int>(i));
    buttons_.push_back(button);
    button->show();
  }
  LayOut();
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < static_cast<int>(buttons_.size())) {
    buttons_[static_cast<std::size_t>(index)]->setChecked(true);
    return;
  }
  // Unchecking needs the group's exclusivity off for a moment.
  group_->setExclusive(false);
  for (QRadioButton* button : buttons_) button->setChecked(false);
  group_->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  if (index < 0 || index >= static_cast<int>(buttons_.size())) return nullptr;
  return buttons_[static_cast<std::size_t>(index)];
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  LayOut();
}

// The items share the height below the frame's top evenly.
void TRadioGroup::LayOut() {
  if (buttons_.empty()) return;
  const int count = static_cast<int>(buttons_.size());
  const int room = height() - kTopMargin - kBottomMargin;
  for (int i = 0; i < count; ++i) {
    const int top = kTopMargin + room * i / count;
    const int bottom = kTopMargin + room * (i + 1) / count;
    buttons_[static_cast<std::size_t>(i)]->setGeometry(kSideMargin, top, width() - 2 * kSideMargin, bottom - top);
  }
}

}  // namespace vitrix
