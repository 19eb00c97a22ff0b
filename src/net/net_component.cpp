#include "net/net_component.h"

#include <atomic>

#include "net/net_stack.h"

namespace vitrix {
namespace {

std::atomic<int> g_instance_count{0};

}  // namespace

TNetComponent::TNetComponent() {
  TNetStack::Instance();
  ++g_instance_count;
}

TNetComponent::~TNetComponent() { --g_instance_count; }

int TNetComponent::InstanceCount() { return g_instance_count.load(); }

std::string TNetComponent::StatusText(TNetStatus status, const std::string& argument) {
  switch (status) {
    case TNetStatus::hsResolving: return "R\xE9solution du nom d'h\xF4te " + argument + ".";
    case TNetStatus::hsConnecting: return "Connexion \xE0 " + argument + ".";
    case TNetStatus::hsConnected: return "Connect\xE9.";
    case TNetStatus::hsDisconnecting:
      return "D\xE9"
             "connexion.";
    case TNetStatus::hsDisconnected:
      return "D\xE9"
             "connect\xE9.";
    case TNetStatus::hsStatusText:
    case TNetStatus::ftpTransfer:
    case TNetStatus::ftpReady:
    case TNetStatus::ftpAborted: return argument;
  }
  return argument;
}

void TNetComponent::DoStatus(TNetStatus status, const std::string& argument) {
  if (OnStatus) OnStatus(*this, status, StatusText(status, argument));
}

void TNetComponent::BeginWork(TWorkMode mode, int64_t work_count_max) {
  WorkInfo& info = work_[static_cast<int>(mode)];
  ++info.level;
  if (info.level == 1) {
    info.count_max = work_count_max;
    info.count = 0;
    if (OnWorkBegin) OnWorkBegin(*this, mode, work_count_max);
  }
}

void TNetComponent::DoWork(TWorkMode mode, int64_t count) {
  WorkInfo& info = work_[static_cast<int>(mode)];
  if (info.level < 1) return;
  info.count += count;
  if (OnWork) OnWork(*this, mode, info.count);
}

void TNetComponent::EndWork(TWorkMode mode) {
  WorkInfo& info = work_[static_cast<int>(mode)];
  if (info.level < 1) return;
  // Lower the level first so that a handler that throws cannot leave the
  // nesting unbalanced.
  --info.level;
  if (info.level == 0 && OnWorkEnd) OnWorkEnd(*this, mode);
}

}  // namespace vitrix
