#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vitrix {
namespace {

// A folder that is this user's alone: a real folder (no link), owned by the
// user, that nobody else may write in or list.
bool PrivateFolder(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool FitsSocketAddress(const std::string& path) { return path.size() < sizeof(sockaddr_un::sun_path); }

sockaddr_un SocketAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

}  // namespace

std::string InstanceFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
    std::string folder = runtime;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (PrivateFolder(folder)) return folder;
  }
  std::string folder = "/tmp/vitrix-" + std::to_string(::geteuid());
  // An existing entry is used only when it passes the same checks: another
  // user may have made it first, to catch what this one writes there.
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return PrivateFolder(folder) ? folder : std::string();
}

std::string InstanceDisplayName() {
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith(QLatin1String("xcb"))) return qEnvironmentVariable("DISPLAY").toStdString();
  if (platform.startsWith(QLatin1String("wayland"))) {
    // Without WAYLAND_DISPLAY, clients connect to "wayland-0".
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    return name.isEmpty() ? std::string("wayland-0") : name.toStdString();
  }
  return {};
}

std::string DisplayFileKey(std::string_view display) {
  std::string key(display);
  if (const size_t colon = key.rfind(':'); colon != std::string::npos) {
    if (const size_t dot = key.find('.', colon); dot != std::string::npos) key.erase(dot);
  }
  for (char& c : key) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
                       c == '.' || c == '-' || c == '_';
    if (!plain) c = '_';
  }
  return key.empty() ? std::string("_") : key;
}

TSingleInstance::TSingleInstance(const std::string& folder, const std::string& display) {
  if (folder.empty()) return;
  const std::string stem = folder + "/vitrix-" + DisplayFileKey(display);
  lock_path_ = stem + ".lock";
  socket_path_ = stem + ".sock";
}

TSingleInstance::~TSingleInstance() {
  // The notifier watches the descriptor: it goes first.
  delete notifier_;
  if (listen_fd_ >= 0) {
    // The socket file goes with the listener; the lock file stays, since
    // removing it would let a start lock a new file while another instance
    // still holds the old one.
    ::unlink(socket_path_.c_str());
    ::close(listen_fd_);
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

TInstanceStart TSingleInstance::Start() {
  if (lock_path_.empty()) return TInstanceStart::isUnchecked;
  if (lock_fd_ >= 0) return TInstanceStart::isOnly;
  const int fd = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return TInstanceStart::isUnchecked;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? TInstanceStart::isAlreadyRunning : TInstanceStart::isUnchecked;
  }
  lock_fd_ = fd;
  Listen();
  return TInstanceStart::isOnly;
}

// Without a listener (a folder path too long for a socket address) the lock
// still keeps a second instance out; it only cannot be asked to come
// forward.
void TSingleInstance::Listen() {
  if (!FitsSocketAddress(socket_path_)) return;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  // A socket file left by an instance that ended without removing it is
  // nobody's now: the lock says so.
  ::unlink(socket_path_.c_str());
  const sockaddr_un address = SocketAddress(socket_path_);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0) {
    ::close(fd);
    return;
  }
  listen_fd_ = fd;
  notifier_ = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { AcceptRequests(); });
}

// Every connection is one request: coming forward twice does no harm.
void TSingleInstance::AcceptRequests() {
  bool asked = false;
  for (;;) {
    const int client = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) break;
    ::close(client);
    asked = true;
  }
  if (asked && OnComeForward) OnComeForward();
}

bool TSingleInstance::AskRunningToComeForward() const {
  if (socket_path_.empty() || !FitsSocketAddress(socket_path_)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const sockaddr_un address = SocketAddress(socket_path_);
  const bool reached = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return reached;
}

}  // namespace vitrix
