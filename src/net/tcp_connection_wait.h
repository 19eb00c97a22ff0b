#pragma once

// The wait of one receive or one send of a TNetTCPConnection, for the
// connection's own sources only. A wait has its own limit (the read time-out,
// or how long a send may go without progress); it is waited in slices that
// end early at the read deadline and at the end of the current span of a
// transfer whose speed is watched, so that a peer trickling bytes is caught
// on time whatever the length of each wait.

#include <cstdint>

#include "net/tcp_connection.h"

namespace vitrix {

class TNetTCPConnection::TWait {
 public:
  // limit_ms: kWaitForever for none.
  TWait(TNetTCPConnection& connection, TWorkMode mode, int limit_ms);

  // The next slice to wait, in milliseconds (kWaitForever for no limit).
  // First raises ENetReadTimeout when the read deadline has come, or when a
  // span of the transfer ended with too few bytes moved. A slice that the
  // transport ended without progress counts as waited in full, whatever the
  // clock says: a transport may give up at once.
  int Next();
  // The last slice, waited in vain, was the end of the wait's own limit.
  bool LimitReached() const { return cut_ == TCut::ctLimit; }
  // Progress was made: the wait's own limit starts again.
  void Restart();

 private:
  enum class TCut { ctNone, ctLimit, ctDeadline, ctSpan };

  TNetTCPConnection& connection_;
  TWorkMode mode_;
  int limit_ms_;
  TNetClock::time_point limit_end_;
  TCut cut_ = TCut::ctNone;
};

}  // namespace vitrix
