// The time limits of TNetTCPConnection: the lowest transfer speed, the read
// deadline, and the slices each wait is cut into to meet them.

#include <algorithm>
#include <climits>

#include "net/net_exceptions.h"
#include "net/socket_handle.h"
#include "net/tcp_connection.h"
#include "net/tcp_connection_wait.h"

namespace vitrix {
namespace {

size_t Index(TWorkMode mode) { return mode == TWorkMode::wmRead ? 0 : 1; }

// Whole milliseconds from now to then, rounded up so that a slice never ends
// before its moment; 0 once it has come.
int64_t MillisecondsUntil(TNetClock::time_point then, TNetClock::time_point now) {
  if (then <= now) return 0;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(then - now).count();
  return std::min<int64_t>(left, INT_MAX);
}

}  // namespace

void TNetTCPConnection::SetLowSpeedLimit(int64_t bytes_per_second, int time_ms) {
  low_speed_limit_ = std::max<int64_t>(bytes_per_second, 0);
  low_speed_time_ = std::max(time_ms, 0);
}

void TNetTCPConnection::BeginTransfer(TWorkMode mode) {
  TTransfer& transfer = transfers_[Index(mode)];
  if (transfer.level++ > 0) return;
  transfer.span_start = TNetClock::now();
  transfer.moved_at_span_start = Moved(mode);
}

void TNetTCPConnection::EndTransfer(TWorkMode mode) {
  TTransfer& transfer = transfers_[Index(mode)];
  if (transfer.level > 0) --transfer.level;
}

int64_t TNetTCPConnection::Moved(TWorkMode mode) {
  if (mode == TWorkMode::wmRead) return moved_[0];
  // Bytes still in this side's buffers have not reached the peer: a peer
  // that stops reading must not look like one that keeps up.
  return moved_[1] - (io_handler_ != nullptr ? io_handler_->UnsentBytes() : 0);
}

void TNetTCPConnection::WaitUntilTaken() {
  if (WatchedTransfer(TWorkMode::wmWrite) == nullptr) return;
  // There is no event for "the peer took the bytes": the queue is looked at
  // every few milliseconds, and a reply arriving ends the wait early.
  constexpr int kLookEveryMs = 20;
  TWait waiting(*this, TWorkMode::wmWrite, kWaitForever);
  while (io_handler_ != nullptr && io_handler_->Connected() && io_handler_->UnsentBytes() > 0) {
    const int slice = waiting.Next();
    if (io_handler_->Readable(slice == kWaitForever ? kLookEveryMs : std::min(slice, kLookEveryMs))) return;
    // The look may have been shorter than the slice: the clock, not the
    // slice, tells whether the span is over.
    waiting.Restart();
  }
}

TNetTCPConnection::TTransfer* TNetTCPConnection::WatchedTransfer(TWorkMode mode) {
  TTransfer& transfer = transfers_[Index(mode)];
  return LowSpeedLimited() && transfer.level > 0 ? &transfer : nullptr;
}

void TNetTCPConnection::EndSpeedSpan(TWorkMode mode, TNetClock::time_point now) {
  TTransfer& transfer = transfers_[Index(mode)];
  const int64_t moved = Moved(mode);
  // At least one byte, however low the limit is set.
  const int64_t required = std::max<int64_t>(1, low_speed_limit_ * low_speed_time_ / 1000);
  if (moved - transfer.moved_at_span_start < required) throw ENetReadTimeout();
  transfer.span_start = now;
  transfer.moved_at_span_start = moved;
}

TNetReadDeadlineScope::TNetReadDeadlineScope(TNetTCPConnection& connection, int time_ms)
    : connection_(connection), saved_(connection.ReadDeadline()) {
  if (time_ms <= 0) return;
  const TNetClock::time_point deadline = TNetClock::now() + std::chrono::milliseconds(time_ms);
  if (!saved_ || deadline < *saved_) connection_.SetReadDeadline(deadline);
}

TNetTCPConnection::TWait::TWait(TNetTCPConnection& connection, TWorkMode mode, int limit_ms)
    : connection_(connection), mode_(mode), limit_ms_(limit_ms) {
  Restart();
}

void TNetTCPConnection::TWait::Restart() {
  cut_ = TCut::ctNone;
  if (limit_ms_ != kWaitForever) limit_end_ = TNetClock::now() + std::chrono::milliseconds(std::max(limit_ms_, 0));
}

int TNetTCPConnection::TWait::Next() {
  const TNetClock::time_point now = TNetClock::now();
  const std::optional<TNetClock::time_point> deadline =
      mode_ == TWorkMode::wmRead ? connection_.ReadDeadline() : std::nullopt;
  if (deadline && (cut_ == TCut::ctDeadline || now >= *deadline)) throw ENetReadTimeout();
  TTransfer* const transfer = connection_.WatchedTransfer(mode_);
  const auto span_end = [&] { return transfer->span_start + std::chrono::milliseconds(connection_.LowSpeedTime()); };
  if (transfer != nullptr && (cut_ == TCut::ctSpan || now >= span_end())) connection_.EndSpeedSpan(mode_, now);

  // The wait's own limit, then whatever comes before it. On a tie the
  // limit wins: it is the wait's own end.
  int64_t slice = limit_ms_ == kWaitForever ? -1 : MillisecondsUntil(limit_end_, now);
  cut_ = TCut::ctLimit;
  const auto cut_at = [&](TNetClock::time_point moment, TCut cut) {
    const int64_t left = MillisecondsUntil(moment, now);
    if (slice < 0 || left < slice) {
      slice = left;
      cut_ = cut;
    }
  };
  if (deadline) cut_at(*deadline, TCut::ctDeadline);
  if (transfer != nullptr) cut_at(span_end(), TCut::ctSpan);
  return slice < 0 ? kWaitForever : static_cast<int>(slice);
}

}  // namespace vitrix
