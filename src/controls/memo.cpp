#include "controls/memo.h"

#include <QTextCursor>
#include <QTextOption>

#include "platform/qt_text.h"
#include "platform/text_clipboard.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

// The box keeps lines with LF (and its own paragraph separator in selections);
// the program's texts use CR LF.
std::string WithCrLf(QString text) {
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return ReplaceAll(FromQString(text), "\n", "\r\n");
}

QString WithLf(std::string_view text) { return ToQString(ReplaceAll(ReplaceAll(text, "\r\n", "\n"), "\r", "\n")); }

}  // namespace

// Lines are wrapped at the box's edge wherever they reach it. Looking for a
// word boundary instead costs the layout a pass over the rest of a line for
// every row it makes: a line of a megabyte without a blank, which a forum
// tag is, then takes minutes to show.
TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) { setWordWrapMode(QTextOption::WrapAnywhere); }

std::string TMemo::Text() const { return WithCrLf(toPlainText()); }

void TMemo::SetText(std::string_view text) { setPlainText(WithLf(text)); }

void TMemo::AddLine(std::string_view line) {
  const std::string text = Text();
  const bool at_line_start = text.empty() || text.ends_with("\r\n");
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(at_line_start ? WithLf(line) + QLatin1Char('\n') : QLatin1Char('\n') + WithLf(line));
}

std::string TMemo::SelText() const { return WithCrLf(textCursor().selectedText()); }

void TMemo::CopyToClipboard() { TextClipboard().SetText(SelText()); }

}  // namespace vitrix
