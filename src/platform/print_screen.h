#pragma once

// The Print Screen key, as the clipboard watch sees it.
//
// The watch asks GetKeyState(VK_SNAPSHOT) on every tick and takes the
// clipboard's picture when the key is reported down. On X nobody puts the
// screen on the clipboard for a press, so the service does it while the watch
// is on:
//   - Start() asks the X server for the key. When no other program handles
//     it, a press puts the whole screen on the clipboard as a picture, and the
//     key is reported down once that picture is there.
//   - When another program (a desktop screenshot tool) already holds the key,
//     that program does the capture; the press is reported once a picture
//     reaches the clipboard after it, and forgotten after 10 seconds without
//     one.
// Either way the key is reported down once per press, and never while the
// clipboard still holds only what it held before the press.
//
// In a Wayland session the program is an X client of XWayland, which sees no
// key that goes to Wayland windows and whose screen holds only X windows. The
// desktop's own screenshot tool does the capture there and, when asked to,
// puts it on the clipboard: while the watch is on, each new picture that
// reaches the clipboard counts as a press.

#include <cstdint>
#include <memory>

#include "platform/services.h"

namespace vitrix {

// The virtual-key code of the Print Screen key.
inline constexpr int VK_SNAPSHOT = 0x2C;

// What Start() achieved.
enum class TPrintScreenStart {
  // The key is ours: a press puts the screen on the clipboard.
  psCaptures,
  // Another program handles the key; its picture is awaited after a press.
  psHeldByOtherProgram,
  // There is no X server (or its keyboard cannot be read): presses cannot be
  // seen at all.
  psNoKeyboardState,
  // The keyboard has no key that gives Print Screen.
  psNoPrintScreenKey,
  // A Wayland session: the key cannot be seen, and each new picture on the
  // clipboard counts as a press.
  psClipboardPictures,
};

// Status line texts for the two starts that leave the watch blind.
inline constexpr const char* kPrintScreenNoKeyboardState =
    "Surveillance impossible : l'\xE9tat du clavier n'est pas lisible (pas de serveur X)";
inline constexpr const char* kPrintScreenNoKey =
    "Surveillance impossible : le clavier n'a pas de touche Impr. \xE9"
    "cran";

// The status line text while the watch waits for the desktop's pictures in a
// Wayland session.
inline constexpr const char* kPrintScreenClipboardPictures =
    "Surveillance : capturez avec \xAB copier dans le presse-papiers \xBB";

// The text to show for a start, or nullptr when the watch works.
const char* PrintScreenStartMessage(TPrintScreenStart start);
// The text the status line shows while the watch is on, when it is not the
// usual one; nullptr otherwise.
const char* PrintScreenWatchMessage(TPrintScreenStart start);

// Whether the desktop session is a Wayland one, from the values of
// WAYLAND_DISPLAY and XDG_SESSION_TYPE (nullptr when unset).
bool IsWaylandSession(const char* wayland_display, const char* session_type);

class IPrintScreen {
 public:
  virtual ~IPrintScreen() = default;

  // Begins watching the key. A second Start() while started changes nothing
  // and answers as the first did.
  virtual TPrintScreenStart Start() = 0;
  // Gives the key back and forgets any press not yet reported. Harmless when
  // not started.
  virtual void Stop() = 0;
  virtual bool Started() const = 0;

  // The key's state as GetKeyState gives it: the high-order bit (the value is
  // negative) when a press is to be reported now, 0 otherwise. A press is
  // reported by one call only.
  virtual int16_t KeyState() = 0;

  // True once after a press that another program handles was forgotten
  // because no picture reached the clipboard within the wait (that program
  // saved its capture to a file, or is not there).
  virtual bool PressWithoutPicture() { return false; }

  static std::unique_ptr<IPrintScreen> CreateSystem();
};

inline IPrintScreen& PrintScreen() { return Platform<IPrintScreen>(); }

// The state of a virtual key: for VK_SNAPSHOT, PrintScreen().KeyState();
// every other key reads as up.
int16_t GetKeyState(int virtual_key);

}  // namespace vitrix
