#pragma once

// The socket transport: one TNetSocketHandle, opened by ConnectClient.

#include "net/io_handler.h"
#include "net/socket_handle.h"

namespace vitrix {

class TNetIOHandlerSocket : public TNetIOHandler {
 public:
  TNetIOHandlerSocket() = default;

  // The TCP no-delay option is set only when this is false.
  bool UseNagle() const { return use_nagle_; }
  void SetUseNagle(bool use_nagle) { use_nagle_ = use_nagle; }
  TNetSocketHandle& Binding() { return binding_; }

  void Open() override;
  void ConnectClient(const TNetConnectTarget& target, int timeout_ms) override;
  void Close() override;
  bool Connected() override;
  bool Readable(int timeout_ms) override;
  int64_t Recv(void* buffer, int64_t count, int& error) override;
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) override;
  int64_t UnsentBytes() override;

 private:
  TNetSocketHandle binding_;
  bool use_nagle_ = true;
};

}  // namespace vitrix
