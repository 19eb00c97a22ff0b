// The reading side of TNetTCPConnection.

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "net/net_exceptions.h"
#include "net/tcp_connection.h"
#include "rtl/streams.h"

namespace vitrix {
void TNetTCPConnection::WaitForBytes(int64_t count) {
  while (input_buffer_.Size() < count) {
    FillInputBuffer(/*raise_if_disconnected=*/true, /*timeout=*/-1, /*raise_on_timeout=*/true);
    CheckDisconnected(/*raise_if_disconnected=*/true, /*ignore_buffer=*/true);
  }
}

void TNetTCPConnection::ReadExact(void* buffer, int64_t count) {
  if (count <= 0) return;
  WaitForBytes(count);
  input_buffer_.Extract(buffer, count);
}

std::string TNetTCPConnection::ReadString(int64_t count) {
  if (count <= 0) return {};
  WaitForBytes(count);
  return input_buffer_.ExtractString(count);
}

int32_t TNetTCPConnection::ReadInteger() {
  uint32_t value = 0;
  ReadExact(&value, sizeof value);
  return static_cast<int32_t>(ntohl(value));
}

void TNetTCPConnection::RaiseReadLineTooLong() { throw ENetReadLnMaxLineLengthExceeded(); }

std::string TNetTCPConnection::SplitLine(int64_t max_length) {
  if (max_line_action_ == TNetMaxLineAction::maException) RaiseReadLineTooLong();
  read_line_split_ = true;
  return input_buffer_.ExtractString(max_length);
}

std::string TNetTCPConnection::ReadLine(std::string_view terminator, int timeout, int max_length) {
  if (terminator.empty()) terminator = "\n";
  if (max_length < 0) max_length = max_line_length_;
  read_line_split_ = false;
  read_line_ended_empty_ = false;
  read_line_timed_out_ = false;
  const auto overlap = static_cast<int64_t>(terminator.size()) - 1;
  int64_t scanned = 0;
  for (;;) {
    int64_t found = -1;
    if (const int64_t held = input_buffer_.Size(); held > 0) {
      // Search again the last bytes already scanned: a terminator of more
      // than one byte may have been cut in two by the receives.
      found = input_buffer_.IndexOf(terminator, std::max<int64_t>(0, scanned - overlap));
      scanned = held;
    }
    if (found >= 0) {
      if (max_length != 0 && found > max_length) return SplitLine(max_length);
      std::string line = input_buffer_.ExtractString(found);
      input_buffer_.Remove(static_cast<int64_t>(terminator.size()));
      if (terminator == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    // Never buffer more than one line's worth waiting for a terminator. The
    // last bytes may be the start of a terminator cut by the receives, and
    // only the bytes before them surely belong to the line.
    if (max_length != 0 && scanned - overlap > max_length) return SplitLine(max_length);
    CheckDisconnected(/*raise_if_disconnected=*/true, /*ignore_buffer=*/true);
    const int64_t received =
        FillInputBuffer(/*raise_if_disconnected=*/true, timeout, /*raise_on_timeout=*/timeout == -1);
    if (received == 0) {
      read_line_ended_empty_ = true;
      return {};
    }
    if (received < 0) {
      read_line_timed_out_ = true;
      return {};
    }
  }
}

void TNetTCPConnection::ReadToStream(TStream& stream, int64_t count, bool until_close) {
  if (count == -1 && !until_close) count = ReadInteger();
  // The stream is not grown to the announced count beforehand: the count may
  // come from the peer, and a false one must not allocate a huge block.
  int64_t remaining = until_close ? std::numeric_limits<int64_t>::max() : std::max<int64_t>(count, 0);
  {
    TNetWorkScope work(*this, TWorkMode::wmRead, until_close ? 0 : remaining);
    const int64_t first = std::min(input_buffer_.Size(), remaining);
    if (first > 0) {
      stream.WriteBuffer(input_buffer_.Memory(), first);
      input_buffer_.Remove(first);
      remaining -= first;
    }
    const int64_t piece = std::min<int64_t>(remaining, recv_buffer_size_);
    while (remaining > 0 && Connected()) {
      int64_t chunk = std::min(remaining, piece);
      try {
        WaitForBytes(chunk);
      } catch (const ENetConnClosedGracefully&) {
        // What came before the close is kept in the stream in both cases.
        chunk = std::min(input_buffer_.Size(), remaining);
        if (chunk > 0) {
          stream.WriteBuffer(input_buffer_.Memory(), chunk);
          input_buffer_.Remove(chunk);
        }
        if (!until_close) throw;
        input_buffer_.Remove(input_buffer_.Size());
        break;
      }
      stream.WriteBuffer(input_buffer_.Memory(), chunk);
      input_buffer_.Remove(chunk);
      remaining -= chunk;
    }
  }
  const int64_t position = stream.Position();
  if (stream.Size() > position) stream.SetSize(position);
}

}  // namespace vitrix
