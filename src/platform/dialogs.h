#pragma once

// Message boxes and the standard error box.

#include <memory>
#include <string>

#include "platform/services.h"

namespace vitrix {

// The title of boxes that have no caption of their own.
inline constexpr const char* kApplicationTitle = "vitrix";

// The answer of a modal window or message box.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

enum class TMsgButtons { mbOK, mbYesNo };
enum class TMsgIcon { miNone, miInformation, miQuestion, miWarning, miError };

struct TMessageRequest {
  std::string Text{};     // Windows-1252, as every text here
  std::string Caption{};  // the window title
  TMsgButtons Buttons = TMsgButtons::mbOK;
  TModalResult DefaultButton = mrOk;
  TMsgIcon Icon = TMsgIcon::miNone;
  friend bool operator==(const TMessageRequest&, const TMessageRequest&) = default;
};

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows a modal message box and returns the button chosen. A Yes/No box
  // closed without a button answers mrNo, an OK box mrOk.
  virtual TModalResult MessageBox(const TMessageRequest& request) = 0;
  // The standard error box: the message of an error that ended an operation.
  virtual void ShowError(const std::string& message) = 0;

  static std::unique_ptr<IDialogs> CreateSystem();
};

inline IDialogs& Dialogs() { return Platform<IDialogs>(); }

// A box with the text and an OK button, titled with the application's title.
inline void ShowMessage(const std::string& text) { Dialogs().MessageBox({.Text = text, .Caption = kApplicationTitle}); }

}  // namespace vitrix
