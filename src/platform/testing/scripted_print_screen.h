#pragma once

// The Print Screen key for tests: the test says what Start() answers and
// whether the key is down. Like the real key, it reads as up while the watch
// is not started. It counts the calls it gets.

#include <limits>

#include "platform/print_screen.h"

namespace vitrix {

class TScriptedPrintScreen final : public IPrintScreen {
 public:
  TPrintScreenStart Start() override {
    ++start_calls_;
    started_ = PrintScreenStartMessage(start_answer_) == nullptr;
    return start_answer_;
  }
  void Stop() override {
    ++stop_calls_;
    started_ = false;
    pressed_once_ = false;
    missed_ = false;
  }
  bool Started() const override { return started_; }

  bool PressWithoutPicture() override {
    const bool missed = missed_;
    missed_ = false;
    return missed;
  }

  int16_t KeyState() override {
    ++key_checks_;
    if (!started_) return 0;
    const bool down = down_ || pressed_once_;
    pressed_once_ = false;
    return down ? std::numeric_limits<int16_t>::min() : 0;
  }

  // What the next Start() answers (psCaptures unless set).
  void SetStartAnswer(TPrintScreenStart answer) { start_answer_ = answer; }
  // Holds the key down (every check reports it) or lets it up.
  void SetDown(bool down) { down_ = down; }
  // One press: the next check reports it, later ones do not.
  void Press() { pressed_once_ = true; }
  // A press whose picture never came: the next PressWithoutPicture() says so.
  void MissPicture() { missed_ = true; }

  int StartCalls() const { return start_calls_; }
  int StopCalls() const { return stop_calls_; }
  int KeyChecks() const { return key_checks_; }

 private:
  TPrintScreenStart start_answer_ = TPrintScreenStart::psCaptures;
  bool started_ = false;
  bool down_ = false;
  bool pressed_once_ = false;
  bool missed_ = false;
  int start_calls_ = 0;
  int stop_calls_ = 0;
  int key_checks_ = 0;
};

}  // namespace vitrix
