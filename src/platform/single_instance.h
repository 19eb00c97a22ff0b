#pragma once

// One running vitrix per user and display: two of them would both take every
// capture of the display, and the second would have no journal.
//
// The first to start holds a lock (flock) on a file of the user's runtime
// folder, named after the display, for as long as it runs; the system drops
// it when the process ends, however it ends. Next to it the first listens on
// a local socket: a later start that finds the lock taken connects there to
// ask it to bring its main window forward, and ends.

#include <QObject>
#include <functional>
#include <string>

class QSocketNotifier;

namespace vitrix {

enum class TInstanceStart {
  isOnly,            // the lock is ours: this instance runs
  isAlreadyRunning,  // another instance holds it for this user and display
  isUnchecked,       // no private folder for the lock: nothing can be told
};

class TSingleInstance final : public QObject {
 public:
  // folder: a folder only this user can write in; display: the display's
  // name (any bytes; they are made safe for a file name).
  TSingleInstance(const std::string& folder, const std::string& display);
  ~TSingleInstance() override;
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Takes the lock without waiting. When it is ours, requests to come
  // forward are listened for (from the event loop) and go to OnComeForward.
  TInstanceStart Start();
  // For a start that found the lock taken: asks the running instance to
  // bring its main window forward. False when it could not be reached.
  bool AskRunningToComeForward() const;

  // Another start asked this running instance to show itself.
  std::function<void()> OnComeForward{};

  const std::string& LockPath() const { return lock_path_; }
  const std::string& SocketPath() const { return socket_path_; }

 private:
  void Listen();
  void AcceptRequests();

  std::string lock_path_;
  std::string socket_path_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

// The folder for the lock: $XDG_RUNTIME_DIR when it is a folder of this
// user's that nobody else may write in; otherwise /tmp/vitrix-<uid>, made
// for the purpose and checked the same way. Empty when neither will do.
std::string InstanceFolder();

// The display this instance watches, as its name: the X display for the xcb
// platform, the Wayland display for the Wayland one. Empty for a platform
// with no display shared with other programs (offscreen, minimal): there is
// nothing two instances could both watch.
std::string InstanceDisplayName();

// A display name as part of a file name: "/" and anything outside letters,
// digits, ':', '.', '-' and '_' become '_', and the X screen number
// (":0.1" -> ":0") is dropped, since every screen of a display shares its
// keyboard and clipboard.
std::string DisplayFileKey(std::string_view display);

}  // namespace vitrix
