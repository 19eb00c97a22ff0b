#include "net/testing/io_handler_memory.h"

#include <algorithm>
#include <cstring>

#include "net/net_exceptions.h"
#include "net/net_stack.h"

namespace vitrix {

void TNetIOHandlerMemory::AddInput(std::string bytes) {
  if (!bytes.empty()) script_.push_back(Step{std::move(bytes), 0});
}

void TNetIOHandlerMemory::AddReceiveError(int error) { script_.push_back(Step{{}, error}); }

void TNetIOHandlerMemory::FailSendAfter(int64_t bytes, int error) {
  fail_send_after_ = bytes;
  fail_send_error_ = error;
}

void TNetIOHandlerMemory::ConnectClient(const TNetConnectTarget& target, int) {
  last_target_ = target;
  DoStatus(TNetStatus::hsConnecting, target.host);
  if (connect_error_ != 0) GStack().RaiseSocketError(connect_error_);
  open_ = true;
}

void TNetIOHandlerMemory::Close() {
  if (open_) ++close_count_;
  open_ = false;
}

bool TNetIOHandlerMemory::Readable(int) {
  if (!open_) throw ENetConnClosedGracefully();
  return !script_.empty() || peer_closed_;
}

int64_t TNetIOHandlerMemory::Recv(void* buffer, int64_t count, int& error) {
  if (!open_) throw ENetClosedSocket();
  if (script_.empty()) return 0;
  Step& step = script_.front();
  if (step.error != 0) {
    error = step.error;
    script_.pop_front();
    return -1;
  }
  const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(step.bytes.size()));
  std::memcpy(buffer, step.bytes.data(), static_cast<size_t>(n));
  step.bytes.erase(0, static_cast<size_t>(n));
  if (step.bytes.empty()) script_.pop_front();
  return n;
}

int64_t TNetIOHandlerMemory::Send(const void* buffer, int64_t count, int, int& error) {
  if (!open_) throw ENetClosedSocket();
  int64_t n = send_limit_ > 0 ? std::min(count, send_limit_) : count;
  if (fail_send_after_ >= 0 && static_cast<int64_t>(written_.size()) + n > fail_send_after_) {
    error = fail_send_error_;
    return -1;
  }
  written_.append(static_cast<const char*>(buffer), static_cast<size_t>(n));
  return n;
}

}  // namespace vitrix
