// The writing side of TNetTCPConnection.

#include <arpa/inet.h>

#include <algorithm>
#include <memory>

#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/tcp_connection.h"
#include "net/tcp_connection_wait.h"
#include "rtl/streams.h"

namespace vitrix {

void TNetTCPConnection::SendAll(const char* bytes, int64_t count) {
  int64_t sent = 0;
  TWait waiting(*this, TWorkMode::wmWrite, SendTimeout());
  while (sent < count) {
    int slice = 0;
    try {
      slice = waiting.Next();
    } catch (const ENetReadTimeout&) {
      // Part of the bytes may have left: what follows could not be told
      // apart from them.
      io_handler_->Close();
      throw;
    }
    int error = 0;
    const int64_t n = io_handler_->Send(bytes + sent, count - sent, slice, error);
    // A slice cut short for the speed watch: Next checks the span.
    if (n < 0 && error == kSocketErrorTimedOut && !waiting.LimitReached()) continue;
    if (n < 0) {
      // After a reset, an abort, a shutdown or a send that stalled past the
      // time limit the byte stream is broken: close the socket before raising.
      if (error == kSocketErrorShutdown || error == kSocketErrorConnectionAborted ||
          error == kSocketErrorConnectionReset || error == kSocketErrorTimedOut) {
        io_handler_->Close();
      }
      GStack().RaiseSocketError(error);
    }
    closed_gracefully_ = n == 0;
    CheckDisconnected(/*raise_if_disconnected=*/true, /*ignore_buffer=*/false);
    moved_[1] += n;
    DoWork(TWorkMode::wmWrite, n);
    sent += n;
    waiting.Restart();
  }
}

void TNetTCPConnection::WriteBytes(const void* buffer, int64_t count, bool send_now) {
  if (count <= 0) return;
  CheckDisconnected(/*raise_if_disconnected=*/true, /*ignore_buffer=*/true);
  if (io_handler_ == nullptr || !io_handler_->Connected()) throw ENetNotConnected();
  const auto* bytes = static_cast<const char*>(buffer);
  if (write_buffer_ && !send_now) {
    write_buffer_->append(bytes, static_cast<size_t>(count));
    // Send whole pieces as long as there are any, so that the buffer never
    // holds more than one piece after a write.
    const int64_t threshold = write_buffer_threshold_;
    if (threshold > 0 && static_cast<int64_t>(write_buffer_->size()) >= threshold) {
      int64_t offset = 0;
      while (static_cast<int64_t>(write_buffer_->size()) - offset >= threshold) {
        SendAll(write_buffer_->data() + offset, threshold);
        offset += threshold;
      }
      write_buffer_->erase(0, static_cast<size_t>(offset));
    }
    return;
  }
  SendAll(bytes, count);
}

void TNetTCPConnection::Write(std::string_view text) { WriteBytes(text.data(), static_cast<int64_t>(text.size())); }

void TNetTCPConnection::WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text);
  line.append("\r\n");
  Write(line);
}

void TNetTCPConnection::WriteInteger(int32_t value) {
  const uint32_t network = htonl(static_cast<uint32_t>(value));
  WriteBytes(&network, sizeof network);
}

void TNetTCPConnection::BeginBufferedWrites(int64_t threshold) {
  write_buffer_ = std::make_unique<std::string>();
  write_buffer_threshold_ = threshold;
}

void TNetTCPConnection::EndBufferedWrites() {
  if (!write_buffer_) return;
  // Taken out first: the buffer is gone whether the send succeeds or not.
  const std::unique_ptr<std::string> pending = std::move(write_buffer_);
  if (!pending->empty()) WriteBytes(pending->data(), static_cast<int64_t>(pending->size()), /*send_now=*/true);
}

void TNetTCPConnection::WriteFromStream(TStream& stream, bool from_start, bool with_length_prefix, int64_t size) {
  if (from_start) stream.SetPosition(0);
  int64_t position = stream.Position();
  const int64_t end = size != 0 ? position + size : stream.Size();
  if (with_length_prefix) WriteInteger(static_cast<int32_t>(end - position));

  const TNetWorkScope work(*this, TWorkMode::wmWrite, end - position);
  const int64_t piece = std::min<int64_t>(send_buffer_size_, std::max<int64_t>(end - position, 1));
  const std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(piece)]);
  for (;;) {
    const int64_t wanted = std::min(end - position, piece);
    if (wanted <= 0) break;
    const int64_t got = stream.Read(buffer.get(), wanted);
    if (got <= 0) throw ENetNoDataToRead();
    WriteBytes(buffer.get(), got);
    position += got;
  }
}

}  // namespace vitrix
