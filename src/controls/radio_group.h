#pragma once

// TRadioGroup: a framed group of radio buttons, one per item, laid out one
// under the other; ItemIndex is the checked one (-1 for none).

#include <QGroupBox>
#include <string>
#include <vector>

class QButtonGroup;
class QRadioButton;

namespace vitrix {

class TRadioGroup : public QGroupBox {
 public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  // Replaces the items (Windows-1252 captions); none is checked afterwards.
  void SetItems(const std::vector<std::string>& items);
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  std::vector<std::string> items_;
  std::vector<QRadioButton*> buttons_;
  QButtonGroup* group_;
};

}  // namespace vitrix
