// Message boxes with Qt's QMessageBox, modal for the whole application.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "platform/dialogs.h"
#include "platform/qt_text.h"

namespace vitrix {
namespace {

QMessageBox::Icon QtIcon(TMsgIcon icon) {
  switch (icon) {
    case TMsgIcon::miInformation: return QMessageBox::Information;
    case TMsgIcon::miQuestion: return QMessageBox::Question;
    case TMsgIcon::miWarning: return QMessageBox::Warning;
    case TMsgIcon::miError: return QMessageBox::Critical;
    case TMsgIcon::miNone: break;
  }
  return QMessageBox::NoIcon;
}

class TQtDialogs final : public IDialogs {
 public:
  TModalResult MessageBox(const TMessageRequest& request) override {
    QMessageBox box(QtIcon(request.Icon), ToQString(request.Caption), ToQString(request.Text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.Buttons == TMsgButtons::mbYesNo) {
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(request.DefaultButton == mrNo ? QMessageBox::No : QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      return box.exec() == QMessageBox::Yes ? mrYes : mrNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return mrOk;
  }

  // The error also goes to the standard error stream, where it stays once
  // the box is closed: for a start from a terminal, and for logs.
  void ShowError(const std::string& message) override {
    const QByteArray line = QStringLiteral("vitrix : %1\n").arg(ToQString(message)).toUtf8();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    MessageBox({.Text = message, .Caption = kApplicationTitle, .Icon = TMsgIcon::miError});
  }
};

}  // namespace

std::unique_ptr<IDialogs> IDialogs::CreateSystem() { return std::make_unique<TQtDialogs>(); }

}  // namespace vitrix
