// The X clipboard (the CLIPBOARD selection) through Qt. Qt serves the text to
// other programs for as long as this program runs.
#include <QClipboard>
#include <QGuiApplication>

#include "platform/qt_text.h"
#include "platform/text_clipboard.h"

namespace vitrix {
namespace {

class TQtTextClipboard final : public ITextClipboard {
 public:
  void SetText(std::string_view text) override {
    QGuiApplication::clipboard()->setText(ToQString(text), QClipboard::Clipboard);
  }
};

}  // namespace

std::unique_ptr<ITextClipboard> ITextClipboard::CreateSystem() { return std::make_unique<TQtTextClipboard>(); }

}  // namespace vitrix
