#include "net/tcp_connection.h"

#include "net/io_handler_socket.h"
#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/socket_handle.h"
#include "net/tcp_connection_wait.h"

namespace vitrix {

TNetTCPConnection::TNetTCPConnection() : input_buffer_([this](int64_t count) { DoWork(TWorkMode::wmRead, count); }) {}

TNetTCPConnection::~TNetTCPConnection() = default;

void TNetTCPConnection::SetIOHandler(TNetIOHandler* handler) {
  if (handler == io_handler_) return;
  if (owned_io_handler_ && owned_io_handler_.get() != handler) owned_io_handler_.reset();
  io_handler_ = handler;
}

void TNetTCPConnection::EnsureIOHandler() {
  if (io_handler_ != nullptr) return;
  owned_io_handler_ = std::make_unique<TNetIOHandlerSocket>();
  owned_io_handler_->OnStatus = OnStatus;
  io_handler_ = owned_io_handler_.get();
}

void TNetTCPConnection::ResetConnection() {
  io_handler_->Open();
  input_buffer_.Clear();
  closed_gracefully_ = false;
}

void TNetTCPConnection::CloseQuietly() {
  closed_gracefully_ = true;
  if (io_handler_ != nullptr) io_handler_->Close();
}

void TNetTCPConnection::Disconnect() {
  DoStatus(TNetStatus::hsDisconnecting);
  CloseQuietly();
  if (owned_io_handler_) {
    io_handler_ = nullptr;
    owned_io_handler_.reset();
  }
  if (OnDisconnected) OnDisconnected(*this);
  DoStatus(TNetStatus::hsDisconnected);
}

bool TNetTCPConnection::IsDisconnected() {
  return io_handler_ != nullptr && (closed_gracefully_ || !io_handler_->Connected());
}

void TNetTCPConnection::CheckDisconnected(bool raise_if_disconnected, bool ignore_buffer) {
  if (closed_gracefully_ && io_handler_ != nullptr && io_handler_->Connected()) {
    io_handler_->Close();
    DoStatus(TNetStatus::hsDisconnected);
    if (OnDisconnected) OnDisconnected(*this);
  }
  if (raise_if_disconnected && IsDisconnected() && (ignore_buffer || input_buffer_.Size() == 0)) {
    throw ENetConnClosedGracefully();
  }
}

bool TNetTCPConnection::Connected() {
  CheckDisconnected(/*raise_if_disconnected=*/false, /*ignore_buffer=*/false);
  return io_handler_ != nullptr && io_handler_->Connected();
}

int TNetTCPConnection::EffectiveTimeout(int timeout) const {
  if (timeout == -1) return read_timeout_ > 0 ? read_timeout_ : kWaitForever;
  return timeout < 0 ? kWaitForever : timeout;
}

int TNetTCPConnection::SendTimeout() const { return read_timeout_ > 0 ? read_timeout_ : kWaitForever; }

int64_t TNetTCPConnection::FillInputBuffer(bool raise_if_disconnected, int timeout, bool raise_on_timeout) {
  const int wait = EffectiveTimeout(timeout);
  CheckDisconnected(raise_if_disconnected, /*ignore_buffer=*/false);
  if (!Connected()) {
    if (raise_if_disconnected) throw ENetNotConnected();
    return 0;
  }
  int64_t received = 0;
  TWait waiting(*this, TWorkMode::wmRead, wait);
  do {
    while (!io_handler_->Readable(waiting.Next())) {
      if (!waiting.LimitReached()) continue;
      if (raise_on_timeout) throw ENetReadTimeout();
      return -1;
    }
    int error = 0;
    char* room = input_buffer_.PrepareAppend(recv_buffer_size_);
    received = io_handler_->Recv(room, recv_buffer_size_, error);
    closed_gracefully_ = received == 0;
    if (received < 0) {
      // A socket closed under the receive still leaves the bytes already
      // buffered readable. A reset connection is dead too: close it so that
      // nobody takes it for a usable one.
      const bool closed = error == kSocketErrorShutdown || error == kSocketErrorConnectionAborted;
      if (closed || error == kSocketErrorConnectionReset) io_handler_->Close();
      if (!closed || input_buffer_.Size() == 0) GStack().RaiseSocketError(error);
      received = 0;
    }
    if (received > 0) {
      moved_[0] += received;
      if (ascii_filter_) {
        for (int64_t i = 0; i < received; ++i) room[i] = static_cast<char>(room[i] & 0x7F);
      }
      input_buffer_.CommitAppend(received);
    }
    CheckDisconnected(raise_if_disconnected, /*ignore_buffer=*/false);
  } while (received == 0 && Connected());
  return received;
}

int64_t TNetTCPConnection::ProbeDisconnect(bool raise_if_disconnected) {
  return FillInputBuffer(raise_if_disconnected, /*timeout=*/1, /*raise_on_timeout=*/false);
}

}  // namespace vitrix
