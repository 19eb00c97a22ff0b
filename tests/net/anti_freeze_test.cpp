// The hook through which a program keeps its windows alive while its thread
// waits on the network: how often the waits call it, that it never runs
// inside itself, that the waits keep their limits, and that only the thread
// that activated it is concerned.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "net/anti_freeze.h"
#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Records when it runs, and how deep calls were nested.
class TRecordingAntiFreeze final : public TNetAntiFreezeBase {
 public:
  std::vector<std::chrono::steady_clock::time_point> calls;
  int depth = 0;
  int deepest = 0;
  std::function<void()> during;

 protected:
  void Process() override {
    calls.push_back(std::chrono::steady_clock::now());
    deepest = std::max(deepest, ++depth);
    if (during) during();
    --depth;
  }
};

void ConnectTo(TNetTCPClient& client, const LoopbackServer& server, int read_timeout_ms) {
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetReadTimeout(read_timeout_ms);
  client.Connect();
}

// A peer that answers a line after a delay.
LoopbackServer LateAnswer(std::chrono::milliseconds delay) {
  return LoopbackServer([delay](PeerConnection& peer) {
    std::this_thread::sleep_for(delay);
    peer.Send("late\r\n");
    peer.ReceiveUntilClose();
  });
}

TEST(AntiFreeze, AWaitCallsTheHookAtEachIdleTimeOutAndStillGetsTheData) {
  TRecordingAntiFreeze hook;
  hook.SetIdleTimeOut(100);
  hook.SetActive(true);
  const LoopbackServer server = LateAnswer(1200ms);
  TNetTCPClient client;
  ConnectTo(client, server, 0);  // no limit: the wait is cut into slices all the same

  EXPECT_EQ(client.ReadLine(), "late");

  ASSERT_GE(hook.calls.size(), 8u) << "the window would have frozen";
  EXPECT_LE(hook.calls.size(), 14u);
  for (size_t i = 1; i < hook.calls.size(); ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(hook.calls[i] - hook.calls[i - 1]);
    EXPECT_GE(gap.count(), 95) << "call " << i;
  }
}

TEST(AntiFreeze, TheWaitKeepsItsLimitAndTheHookItsPace) {
  TRecordingAntiFreeze hook;
  hook.SetIdleTimeOut(100);
  hook.SetActive(true);
  const LoopbackServer server = LateAnswer(1500ms);
  TNetTCPClient client;
  ConnectTo(client, server, 500);
  const auto start = Clock::now();

  EXPECT_THROW(client.ReadLine(), ENetReadTimeout);

  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_GE(took, 490);  // the waits count whole milliseconds
  EXPECT_LT(took, 900) << "the hook made the limit longer";
  EXPECT_GE(hook.calls.size(), 4u);
}

TEST(AntiFreeze, AWaitInsideTheHookIsAPlainOneAndTheHookNeverRunsInsideItself) {
  TRecordingAntiFreeze hook;
  hook.SetIdleTimeOut(50);
  hook.SetActive(true);
  const LoopbackServer inner_server = LateAnswer(300ms);
  TNetTCPClient inner;
  ConnectTo(inner, inner_server, 0);
  std::string inner_line;
  hook.during = [&] {
    if (inner_line.empty()) inner_line = inner.ReadLine();
  };
  const LoopbackServer server = LateAnswer(600ms);
  TNetTCPClient client;
  ConnectTo(client, server, 0);

  EXPECT_EQ(client.ReadLine(), "late");

  EXPECT_EQ(inner_line, "late");
  EXPECT_EQ(hook.deepest, 1);
  EXPECT_GE(hook.calls.size(), 2u) << "the hook did not run again after its own wait";
}

TEST(AntiFreeze, OnlyTheActivatingThreadsWaitsCallTheHookAndOnlyWhileActive) {
  TRecordingAntiFreeze hook;
  hook.SetIdleTimeOut(50);
  hook.SetActive(true);
  ASSERT_TRUE(hook.Active());
  auto other = std::async(std::launch::async, [] {
    const LoopbackServer server = LateAnswer(400ms);
    TNetTCPClient client;
    ConnectTo(client, server, 0);
    return client.ReadLine();
  });
  EXPECT_EQ(other.get(), "late");
  EXPECT_TRUE(hook.calls.empty()) << "another thread's wait called the hook";

  hook.SetActive(false);
  EXPECT_FALSE(hook.Active());
  const LoopbackServer server = LateAnswer(400ms);
  TNetTCPClient client;
  ConnectTo(client, server, 0);
  EXPECT_EQ(client.ReadLine(), "late");
  EXPECT_TRUE(hook.calls.empty()) << "an inactive hook was called";
}

TEST(AntiFreeze, ANewInstanceReplacesTheActiveOneAndADestroyedOneIsGone) {
  TRecordingAntiFreeze first;
  first.SetActive(true);
  {
    TRecordingAntiFreeze second;
    second.SetActive(true);
    EXPECT_FALSE(first.Active());
    EXPECT_TRUE(second.Active());
    first.SetActive(false);  // no longer the active one: changes nothing
    EXPECT_TRUE(second.Active());
  }
  EXPECT_FALSE(first.Active());
  EXPECT_EQ(TNetAntiFreezeBase::WaitSlice(1234), 1234) << "a destroyed instance still cuts the waits";
  EXPECT_EQ(TNetAntiFreezeBase::WaitSlice(-1), -1);
}

}  // namespace
}  // namespace vitrix
