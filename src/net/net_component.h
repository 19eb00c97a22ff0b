#pragma once

// Base of the connection and transport classes: status and progress
// notifications to optional handlers. The first component brings the
// process-wide socket layer into being.

#include <cstdint>
#include <functional>
#include <string>

namespace vitrix {

enum class TNetStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted,
};

enum class TWorkMode { wmRead = 0, wmWrite = 1 };

class TNetComponent;

using TNetStatusEvent = std::function<void(TNetComponent& sender, TNetStatus status, const std::string& text)>;
using TWorkBeginEvent = std::function<void(TNetComponent& sender, TWorkMode mode, int64_t work_count_max)>;
using TWorkEvent = std::function<void(TNetComponent& sender, TWorkMode mode, int64_t work_count)>;
using TWorkEndEvent = std::function<void(TNetComponent& sender, TWorkMode mode)>;
using TNetNotifyEvent = std::function<void(TNetComponent& sender)>;

class TNetComponent {
 public:
  TNetComponent();
  TNetComponent(const TNetComponent&) = delete;
  TNetComponent& operator=(const TNetComponent&) = delete;
  virtual ~TNetComponent();

  // How many network components exist in the process now.
  static int InstanceCount();

  TNetStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  // The status with its fixed text; argument fills the %s of the texts that
  // have one (host name, peer address, free text). The text is made only when
  // a handler is set.
  void DoStatus(TNetStatus status, const std::string& argument = {});
  static std::string StatusText(TNetStatus status, const std::string& argument);

  // Nested work per mode: only the outermost begin and end reach the
  // handlers; work counts only inside a begin.
  void BeginWork(TWorkMode mode, int64_t work_count_max = 0);
  void DoWork(TWorkMode mode, int64_t count);
  void EndWork(TWorkMode mode);

 private:
  struct WorkInfo {
    int level = 0;
    int64_t count_max = 0;
    int64_t count = 0;
  };
  WorkInfo work_[2];
};

// A unit of work begun on construction and ended when the scope is left, on
// every path.
class TNetWorkScope {
 public:
  TNetWorkScope(TNetComponent& component, TWorkMode mode, int64_t work_count_max) : component_(component), mode_(mode) {
    component_.BeginWork(mode_, work_count_max);
  }
  ~TNetWorkScope() { component_.EndWork(mode_); }
  TNetWorkScope(const TNetWorkScope&) = delete;
  TNetWorkScope& operator=(const TNetWorkScope&) = delete;

 private:
  TNetComponent& component_;
  TWorkMode mode_;
};

}  // namespace vitrix
