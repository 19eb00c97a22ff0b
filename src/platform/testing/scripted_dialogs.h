#pragma once

// Message boxes for tests: nothing is shown; every box and error is recorded in
// order, and message boxes answer from a script.

#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace vitrix {

class TScriptedDialogs final : public IDialogs {
 public:
  struct TShown {
    bool IsError = false;     // the standard error box
    TMessageRequest Request;  // for an error box, Text is the message
  };

  // Answers for the next message boxes, in order. A box asked when the script
  // is used up answers its default button.
  void Script(std::initializer_list<TModalResult> answers) { answers_.insert(answers_.end(), answers); }

  TModalResult MessageBox(const TMessageRequest& request) override {
    shown_.push_back({false, request});
    if (answers_.empty()) return request.DefaultButton;
    const TModalResult answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  void ShowError(const std::string& message) override {
    shown_.push_back({true, {.Text = message, .Caption = kApplicationTitle}});
  }

  const std::vector<TShown>& Shown() const { return shown_; }
  // The messages of the error boxes, in order.
  std::vector<std::string> Errors() const {
    std::vector<std::string> errors;
    for (const auto& s : shown_) {
      if (s.IsError) errors.push_back(s.Request.Text);
    }
    return errors;
  }
  void Clear() { shown_.clear(); }

 private:
  std::deque<TModalResult> answers_;
  std::vector<TShown> shown_;
};

}  // namespace vitrix
