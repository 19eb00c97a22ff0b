// The lowest transfer speed and the read deadline over real loopback
// connections. Time runs a hundred times faster than in the program, whose
// limit is 1,000 bytes per second over 30 s: here spans last 300 ms at the
// same 1,000 bytes per second, so each must carry 300 bytes. A drip peer
// sends 1 byte every 10 ms (a tenth of the limit, where the program's
// drip host sends a thousandth), a steady one a hundred times the limit.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "net/io_handler_socket.h"
#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "rtl/streams.h"
#include "support/loopback_server.h"
#include "support/random_bytes.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int64_t kLimit = 1000;
constexpr int kSpanMs = 300;
// Each wait alone would wait this long: only the speed watch or the
// deadline can end the drips early.
constexpr int kWaitMs = 5000;

// One byte every 10 ms until the client goes or count bytes are sent.
void Drip(PeerConnection& peer, int count) {
  for (int i = 0; i < count && !peer.ClientClosed() && peer.Send("x"); ++i) std::this_thread::sleep_for(10ms);
}

// A socket transport with a small send buffer (unless told otherwise), so
// that what the client sends waits in its own hands instead of the system's. With a pace set, it
// is a slow uplink as well: each send takes at most 1,000 bytes, 10 ms after
// the one before (100 kB/s).
class TestTransport final : public TNetIOHandlerSocket {
 public:
  void ConnectClient(const TNetConnectTarget& target, int timeout_ms) override {
    TNetIOHandlerSocket::ConnectClient(target, timeout_ms);
    ::setsockopt(Binding().Handle(), SOL_SOCKET, SO_SNDBUF, &send_buffer, sizeof send_buffer);
  }
  int send_buffer = 4096;
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) override {
    if (!paced) return TNetIOHandlerSocket::Send(buffer, count, timeout_ms, error);
    std::this_thread::sleep_for(10ms);
    return TNetIOHandlerSocket::Send(buffer, std::min<int64_t>(count, 1000), timeout_ms, error);
  }
  bool paced = false;
};

class SpeedLimit : public ::testing::Test {
 protected:
  void ConnectTo(const LoopbackServer& server, int send_buffer = 4096) {
    transport_.send_buffer = send_buffer;
    client_.SetIOHandler(&transport_);
    client_.SetHost("127.0.0.1");
    client_.SetPort(server.Port());
    client_.SetReadTimeout(kWaitMs);
    client_.SetLowSpeedLimit(kLimit, kSpanMs);
    client_.Connect();
  }
  double Elapsed() const { return std::chrono::duration<double, std::milli>(Clock::now() - start_).count(); }

  TestTransport transport_;
  TNetTCPClient client_;
  Clock::time_point start_ = Clock::now();
};

TEST_F(SpeedLimit, ADripPeerFailsTheReceiveAtTheEndOfTheFirstSpan) {
  LoopbackServer server([](PeerConnection& peer) { Drip(peer, 150); });
  ConnectTo(server);
  TStringStream received;
  start_ = Clock::now();
  {
    const TNetTransferScope transfer(client_, TWorkMode::wmRead);
    EXPECT_THROW(client_.ReadToStream(received, 100000), ENetReadTimeout);
  }
  EXPECT_GE(Elapsed(), kSpanMs - 5);
  EXPECT_LT(Elapsed(), kSpanMs + 1500);
  // Bytes kept coming: no single wait ran out.
  EXPECT_GT(client_.BytesReceived(), 0);
}

TEST_F(SpeedLimit, ASteadyPeerAHundredTimesFasterIsReadWhole) {
  const std::string payload = test::RandomBytes(120000, 7);
  LoopbackServer server([&](PeerConnection& peer) {
    for (size_t at = 0; at < payload.size() && peer.Send(payload.substr(at, 1000)); at += 1000) {
      std::this_thread::sleep_for(10ms);
    }
    peer.ReceiveUntilClose();
  });
  ConnectTo(server);
  TStringStream received;
  {
    const TNetTransferScope transfer(client_, TWorkMode::wmRead);
    client_.ReadToStream(received, static_cast<int64_t>(payload.size()));
  }
  // Four spans at least went by, each checked.
  EXPECT_GT(Elapsed(), 4 * kSpanMs);
  EXPECT_EQ(received.DataString(), payload);
  client_.Disconnect();
}

TEST_F(SpeedLimit, OutsideATransferOnlyEachWaitIsLimited) {
  LoopbackServer server([](PeerConnection& peer) { Drip(peer, 45); });
  ConnectTo(server);
  char bytes[45];
  client_.ReadExact(bytes, sizeof bytes);
  EXPECT_GT(Elapsed(), kSpanMs);
  EXPECT_EQ(std::string(bytes, sizeof bytes), std::string(45, 'x'));
}

TEST_F(SpeedLimit, ALineNotWholeByTheReadDeadlineFails) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.Send("HTTP/1.1 200 OK\r\n");
    Drip(peer, 150);
  });
  ConnectTo(server);
  start_ = Clock::now();
  {
    const TNetReadDeadlineScope head(client_, kSpanMs);
    EXPECT_EQ(client_.ReadLine(), "HTTP/1.1 200 OK");
    EXPECT_THROW(client_.ReadLine(), ENetReadTimeout);
  }
  EXPECT_GE(Elapsed(), kSpanMs - 5);
  EXPECT_LT(Elapsed(), kSpanMs + 1500);
  EXPECT_FALSE(client_.ReadDeadline().has_value());
}

TEST_F(SpeedLimit, ASlowButSteadyUploadGoesThrough) {
  // 150 kB over an uplink of 100 kB/s, a hundred times the limit.
  constexpr int64_t kSize = 150000;
  LoopbackServer server([&](PeerConnection& peer) { peer.ReceiveAtLeast(kSize); });
  ConnectTo(server);
  transport_.paced = true;
  const std::string body = test::RandomBytes(kSize, 3);
  TStringStream source(body);
  {
    const TNetTransferScope transfer(client_, TWorkMode::wmWrite);
    client_.WriteFromStream(source, /*from_start=*/true);
  }
  // Four spans at least went by, each checked.
  EXPECT_GT(Elapsed(), 4 * kSpanMs);
  EXPECT_EQ(server.Received(), body);
}

TEST_F(SpeedLimit, APeerReadingADripFailsTheSendAndTheConnectionCloses) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.ShrinkReceiveBuffer(4096);
    for (int i = 0; i < 500 && peer.Discard(1) == 1; ++i) std::this_thread::sleep_for(10ms);
  });
  ConnectTo(server);
  const std::string block(1 << 20, 'z');
  start_ = Clock::now();
  {
    const TNetTransferScope transfer(client_, TWorkMode::wmWrite);
    EXPECT_THROW(client_.WriteBytes(block.data(), static_cast<int64_t>(block.size())), ENetReadTimeout);
  }
  EXPECT_LT(Elapsed(), kSpanMs + 1500);
  EXPECT_FALSE(client_.Connected());
}

// What the system took from the client is not yet the peer's: the wait for
// the peer to take it is held to the same lowest speed.
TEST_F(SpeedLimit, BytesLeftInTheSystemsBuffersAreWaitedForAtTheLowestSpeed) {
  const std::string body(200000, 'b');
  // A peer that takes what its window holds, then nothing more.
  {
    LoopbackServer server([](PeerConnection& peer) {
      peer.ShrinkReceiveBuffer(4096);
      std::this_thread::sleep_for(1500ms);
    });
    ConnectTo(server, /*send_buffer=*/1 << 20);
    const TNetTransferScope transfer(client_, TWorkMode::wmWrite);
    client_.WriteBytes(body.data(), static_cast<int64_t>(body.size()));
    start_ = Clock::now();
    EXPECT_THROW(client_.WaitUntilTaken(), ENetReadTimeout);
    EXPECT_LT(Elapsed(), 2 * kSpanMs + 1000);
    client_.Disconnect();
  }
  // A peer that reads it all, and one that answers before reading: no wait
  // beyond theirs, no error.
  for (const bool answers_first : {false, true}) {
    LoopbackServer server([&](PeerConnection& peer) {
      if (answers_first) peer.Send("HTTP/1.1 413 Trop grand\r\n\r\n");
      else peer.ReceiveAtLeast(body.size());
      std::this_thread::sleep_for(500ms);
    });
    ConnectTo(server, /*send_buffer=*/1 << 20);
    const TNetTransferScope transfer(client_, TWorkMode::wmWrite);
    client_.WriteBytes(body.data(), static_cast<int64_t>(body.size()));
    start_ = Clock::now();
    EXPECT_NO_THROW(client_.WaitUntilTaken()) << answers_first;
    EXPECT_LT(Elapsed(), 400) << answers_first;
    client_.Disconnect();
  }
}

}  // namespace
}  // namespace vitrix
