#pragma once

// A TCP connection with blocking, buffered reads and writes: a line up to a
// terminator, an exact number of bytes, everything up to the peer's close, a
// byte block, a stream. Received bytes wait in InputBuffer until consumed,
// and stay readable after the peer has closed. Every failure is an exception
// of net_exceptions.h.
//
// Time-outs are milliseconds. ReadTimeout 0 waits without limit. A read
// timeout argument of -1 means "the connection's ReadTimeout".
//
// Besides the limit on each wait, a connection can hold a transfer to a
// lowest speed, in the manner of curl's --speed-limit and --speed-time, and
// reads to a deadline. A peer that sends one byte per second never lets a
// single wait run out, but fails these.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/io_handler.h"
#include "net/managed_buffer.h"
#include "net/net_component.h"

namespace vitrix {

class TStream;

enum class TNetMaxLineAction { maException, maSplit };

using TNetClock = std::chrono::steady_clock;

class TNetTCPConnection : public TNetComponent {
 public:
  static constexpr int kDefaultMaxLineLength = 16384;
  static constexpr int kDefaultBufferSize = 32768;

  TNetTCPConnection();
  ~TNetTCPConnection() override;

  // Settings.
  bool ASCIIFilter() const { return ascii_filter_; }
  void SetASCIIFilter(bool on) { ascii_filter_ = on; }
  int MaxLineLength() const { return max_line_length_; }
  void SetMaxLineLength(int length) { max_line_length_ = length; }
  TNetMaxLineAction MaxLineAction() const { return max_line_action_; }
  void SetMaxLineAction(TNetMaxLineAction action) { max_line_action_ = action; }
  // Also limits how long a send may go without progress.
  int ReadTimeout() const { return read_timeout_; }
  void SetReadTimeout(int milliseconds) { read_timeout_ = milliseconds; }
  int RecvBufferSize() const { return recv_buffer_size_; }
  void SetRecvBufferSize(int size) { recv_buffer_size_ = size > 0 ? size : 1; }
  int SendBufferSize() const { return send_buffer_size_; }
  void SetSendBufferSize(int size) { send_buffer_size_ = size > 0 ? size : 1; }

  // The lowest speed of a transfer: while one runs in a direction
  // (BeginTransfer ... EndTransfer), every span of LowSpeedTime milliseconds
  // must move at least LowSpeedLimit bytes per second that way, or the wait
  // for more raises ENetReadTimeout. A span is measured from the transfer's
  // start, then from the end of the span before. 0 for either turns the
  // limit off, which is how a connection starts.
  int64_t LowSpeedLimit() const { return low_speed_limit_; }
  int LowSpeedTime() const { return low_speed_time_; }
  void SetLowSpeedLimit(int64_t bytes_per_second, int time_ms);
  bool LowSpeedLimited() const { return low_speed_limit_ > 0 && low_speed_time_ > 0; }

  // A transfer in one direction begins or ends. Nested transfers of a
  // direction count as the outermost one.
  void BeginTransfer(TWorkMode mode);
  void EndTransfer(TWorkMode mode);

  // Reads waiting for data when this moment comes raise ENetReadTimeout;
  // none by default.
  const std::optional<TNetClock::time_point>& ReadDeadline() const { return read_deadline_; }
  void SetReadDeadline(std::optional<TNetClock::time_point> deadline) { read_deadline_ = deadline; }

  // The bytes received from and sent to peers over the object's life, all
  // connections together.
  int64_t BytesReceived() const { return moved_[0]; }
  int64_t BytesSent() const { return moved_[1]; }

  // Waits, inside a watched transfer of wmWrite, until the peer has taken
  // every byte sent or begun to answer. The system takes a request's last
  // bytes into its own buffers long before the peer has them: on a slow
  // line, what follows (a time limit on the reply) would otherwise start
  // while they are still on their way. Raises ENetReadTimeout when the peer
  // takes them slower than the low-speed limit. Returns at once outside a
  // watched transfer.
  void WaitUntilTaken();

  // The transport. One assigned here is not owned; when none is assigned,
  // Connect creates a socket transport and Disconnect releases it.
  TNetIOHandler* IOHandler() const { return io_handler_; }
  void SetIOHandler(TNetIOHandler* handler);

  TNetNotifyEvent OnDisconnected;

  TNetManagedBuffer& InputBuffer() { return input_buffer_; }
  // The last receive or send returned 0 bytes, or the connection was closed
  // by this side.
  bool ClosedGracefully() const { return closed_gracefully_; }
  // The last ReadLine returned a piece of a longer line (maSplit).
  bool ReadLineSplit() const { return read_line_split_; }
  // The last ReadLine found the peer's close after bytes without a terminator
  // and returned an empty text.
  bool ReadLineEndedEmpty() const { return read_line_ended_empty_; }
  // The last ReadLine, given its own timeout, saw no line within it and
  // returned an empty text.
  bool ReadLineTimedOut() const { return read_line_timed_out_; }

  // Closes the connection from this side: status hsDisconnecting, the socket
  // shut down and closed, the transport released if Connect created it,
  // OnDisconnected, status hsDisconnected.
  virtual void Disconnect();
  // A transport with an open socket, after noticing a close by the peer.
  bool Connected();
  // Closes the socket when the peer's close was seen (status hsDisconnected,
  // OnDisconnected). When the connection is then down and raise is set,
  // raises ENetConnClosedGracefully unless InputBuffer still holds bytes that
  // are not ignored.
  void CheckDisconnected(bool raise_if_disconnected = true, bool ignore_buffer = false);
  // One receive into InputBuffer after waiting for data: the bytes received,
  // 0 at the peer's close, or -1 when the wait timed out and no raise was
  // asked for (else ENetReadTimeout). Not connected: ENetNotConnected, or 0
  // without raise.
  int64_t FillInputBuffer(bool raise_if_disconnected = true, int timeout = -1, bool raise_on_timeout = true);
  // Waits at most 1 ms for data so that a close by the peer is noticed before
  // a kept connection is used again.
  int64_t ProbeDisconnect(bool raise_if_disconnected = false);

  // A line up to terminator (empty: LF), without it; with LF a CR before it
  // goes too. max_length -1 means MaxLineLength, 0 no limit. A line longer
  // than that raises ENetReadLnMaxLineLengthExceeded (maException) or comes
  // back in pieces of max_length bytes (maSplit, ReadLineSplit set).
  std::string ReadLine(std::string_view terminator = "\n", int timeout = -1, int max_length = -1);
  // Exactly count bytes, or an exception (ENetConnClosedGracefully when the
  // peer closed first).
  void ReadExact(void* buffer, int64_t count);
  std::string ReadString(int64_t count);
  // Copies count bytes into stream, or everything up to the peer's close
  // (until_close), or as many bytes as a 32-bit length prefix in network
  // order says (count -1 without until_close). Received in pieces of at most
  // RecvBufferSize; a stream longer than its position afterwards is cut there.
  void ReadToStream(TStream& stream, int64_t count = -1, bool until_close = false);
  // 32-bit integers in network byte order.
  int32_t ReadInteger();
  void WriteInteger(int32_t value);

  // Sends count bytes, or collects them while a write buffer is open and
  // send_now is false.
  void WriteBytes(const void* buffer, int64_t count, bool send_now = false);
  void Write(std::string_view text);
  // text + CR LF.
  void WriteLine(std::string_view text = {});
  // From now on writes are collected; whenever threshold > 0 bytes are
  // collected, they leave in pieces of threshold bytes.
  void BeginBufferedWrites(int64_t threshold = -1);
  // Sends everything collected in one piece and closes the write buffer,
  // also when the send fails.
  void EndBufferedWrites();
  bool WriteBuffering() const { return write_buffer_ != nullptr; }
  // Sends the stream from its position (from the start when from_start) up
  // to position + size, or to its end when size is 0, in pieces of at most
  // SendBufferSize. A stream that delivers fewer bytes than it announced
  // raises ENetNoDataToRead.
  void WriteFromStream(TStream& stream, bool from_start = false, bool with_length_prefix = false, int64_t size = 0);

 protected:
  // Closes the socket without any notification (a failed connect).
  void CloseQuietly();
  // Prepares a fresh connection: the transport opened, InputBuffer emptied.
  void ResetConnection();
  // Gives the connection a transport of its own when none is assigned.
  void EnsureIOHandler();

 private:
  class TWait;
  struct TTransfer {
    int level = 0;
    TNetClock::time_point span_start;
    int64_t moved_at_span_start = 0;
  };

  bool IsDisconnected();
  int EffectiveTimeout(int timeout) const;
  int SendTimeout() const;
  // Receives until InputBuffer holds count bytes.
  void WaitForBytes(int64_t count);
  void SendAll(const char* bytes, int64_t count);
  [[noreturn]] void RaiseReadLineTooLong();
  // The bytes moved in mode so far: received, or sent and taken by the peer.
  int64_t Moved(TWorkMode mode);
  // The transfer in mode, when its speed is watched; null otherwise.
  TTransfer* WatchedTransfer(TWorkMode mode);
  // The span of the watched transfer in mode has ended: it raises
  // ENetReadTimeout when too few bytes moved in it, else the next begins.
  void EndSpeedSpan(TWorkMode mode, TNetClock::time_point now);
  std::string SplitLine(int64_t max_length);

  bool ascii_filter_ = false;
  int max_line_length_ = kDefaultMaxLineLength;
  TNetMaxLineAction max_line_action_ = TNetMaxLineAction::maException;
  int read_timeout_ = 0;
  int recv_buffer_size_ = kDefaultBufferSize;
  int send_buffer_size_ = kDefaultBufferSize;

  TNetIOHandler* io_handler_ = nullptr;
  std::unique_ptr<TNetIOHandler> owned_io_handler_;
  TNetManagedBuffer input_buffer_;
  bool closed_gracefully_ = false;
  bool read_line_split_ = false;
  bool read_line_ended_empty_ = false;
  bool read_line_timed_out_ = false;
  std::unique_ptr<std::string> write_buffer_;
  int64_t write_buffer_threshold_ = 0;
  int64_t low_speed_limit_ = 0;
  int low_speed_time_ = 0;
  TTransfer transfers_[2];
  int64_t moved_[2] = {0, 0};  // by TWorkMode: received, sent
  std::optional<TNetClock::time_point> read_deadline_;
};

// A transfer in one direction for the length of a scope.
class TNetTransferScope {
 public:
  TNetTransferScope(TNetTCPConnection& connection, TWorkMode mode) : connection_(connection), mode_(mode) {
    connection_.BeginTransfer(mode_);
  }
  ~TNetTransferScope() { connection_.EndTransfer(mode_); }
  TNetTransferScope(const TNetTransferScope&) = delete;
  TNetTransferScope& operator=(const TNetTransferScope&) = delete;

 private:
  TNetTCPConnection& connection_;
  TWorkMode mode_;
};

// Reads must be done within time_ms from now for the length of a scope (no
// deadline when time_ms is 0 or less); an earlier deadline already set
// stays. The previous deadline comes back at the end.
class TNetReadDeadlineScope {
 public:
  TNetReadDeadlineScope(TNetTCPConnection& connection, int time_ms);
  ~TNetReadDeadlineScope() { connection_.SetReadDeadline(saved_); }
  TNetReadDeadlineScope(const TNetReadDeadlineScope&) = delete;
  TNetReadDeadlineScope& operator=(const TNetReadDeadlineScope&) = delete;

 private:
  TNetTCPConnection& connection_;
  std::optional<TNetClock::time_point> saved_;
};

}  // namespace vitrix
