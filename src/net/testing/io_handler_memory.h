#pragma once

// A transport in memory that plays a script instead of a peer: the bytes it
// will deliver, piece by piece, the errors it will report and whether the
// peer closes at the end; it records every byte sent. Tests and fuzz targets
// use it to drive a connection through exact sequences, such as one byte per
// receive or a failure at the Nth operation.

#include <cstdint>
#include <deque>
#include <string>

#include "net/io_handler.h"

namespace vitrix {

class TNetIOHandlerMemory : public TNetIOHandler {
 public:
  TNetIOHandlerMemory() = default;

  // The next receive delivers these bytes (or the first count of them, the
  // rest coming with the following receives).
  void AddInput(std::string bytes);
  // The next receive fails with this socket error number.
  void AddReceiveError(int error);
  // After everything scripted, receives report the peer's close; without it
  // a wait for more data times out at once.
  void ClosePeer() { peer_closed_ = true; }
  // Each send takes at most this many bytes (0: all).
  void SetSendLimit(int64_t limit) { send_limit_ = limit; }
  // The send that would pass this many bytes in total fails with error.
  void FailSendAfter(int64_t bytes, int error);
  // ConnectClient fails with this socket error number (0: it succeeds).
  void SetConnectError(int error) { connect_error_ = error; }

  const std::string& Written() const { return written_; }
  const TNetConnectTarget& LastTarget() const { return last_target_; }
  int CloseCount() const { return close_count_; }

  void Open() override {}
  void ConnectClient(const TNetConnectTarget& target, int timeout_ms) override;
  void Close() override;
  bool Connected() override { return open_; }
  bool Readable(int timeout_ms) override;
  int64_t Recv(void* buffer, int64_t count, int& error) override;
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) override;

 private:
  struct Step {
    std::string bytes;
    int error = 0;
  };
  std::deque<Step> script_;
  bool peer_closed_ = false;
  bool open_ = false;
  int connect_error_ = 0;
  int64_t send_limit_ = 0;
  int64_t fail_send_after_ = -1;
  int fail_send_error_ = 0;
  std::string written_;
  TNetConnectTarget last_target_;
  int close_count_ = 0;
};

}  // namespace vitrix
