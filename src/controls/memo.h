#pragma once

// TMemo: a multi-line text box. Its text, as the program sees it, is
// Windows-1252 with lines separated by CR LF.

#include <QPlainTextEdit>
#include <string>
#include <string_view>

namespace vitrix {

class TMemo : public QPlainTextEdit {
 public:
  explicit TMemo(QWidget* parent = nullptr);

  std::string Text() const;
  void SetText(std::string_view text);
  void Clear() { SetText({}); }
  // Adds a line at the end: after the text when it ends with a line break
  // (or is empty), the line then ending with one too; on a line of its own
  // otherwise.
  void AddLine(std::string_view line);

  // The selected text, and putting it on the desktop clipboard.
  std::string SelText() const;
  void SelectAll() { selectAll(); }
  void CopyToClipboard();

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }
};

}  // namespace vitrix
