// ReadLine against scripted loopback peers, and against the memory transport
// where the exact cut between receives matters.

#include <gtest/gtest.h>

#include <string>

#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "net/testing/io_handler_memory.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;

// A client connected to a peer that sends the given bytes and then closes.
class SentThenClosed : public ::testing::Test {
 protected:
  void Serve(std::string bytes, bool close = true) {
    server_ = std::make_unique<LoopbackServer>([bytes, close](PeerConnection& peer) {
      peer.Send(bytes);
      if (close) {
        peer.Close();
      } else {
        peer.ReceiveUntilClose();
      }
    });
    client_.SetHost("127.0.0.1");
    client_.SetPort(server_->Port());
    client_.SetReadTimeout(5000);
    client_.Connect();
  }
  void TearDown() override {
    client_.Disconnect();
    server_->Join();
  }

  std::unique_ptr<LoopbackServer> server_;
  TNetTCPClient client_;
};

TEST_F(SentThenClosed, LinesEndInLfOrCrLfAndOnlyOneCrIsDropped) {
  Serve("abc\r\nabc\nabc\r\r\nlast\n");
  EXPECT_EQ(client_.ReadLine(), "abc");
  EXPECT_EQ(client_.ReadLine(), "abc");
  EXPECT_EQ(client_.ReadLine(), "abc\r");
  EXPECT_EQ(client_.ReadLine(), "last");
}

TEST_F(SentThenClosed, ExplicitCrLfTerminator) {
  Serve("abc\r\nx\ny\r\n");
  EXPECT_EQ(client_.ReadLine("\r\n"), "abc");
  EXPECT_EQ(client_.ReadLine("\r\n"), "x\ny");
}

TEST_F(SentThenClosed, ALineOfExactlyMaxLineLengthIsAccepted) {
  Serve(std::string(16384, 'a') + "\n");
  EXPECT_EQ(client_.ReadLine(), std::string(16384, 'a'));
}

TEST_F(SentThenClosed, OneCharacterMoreIsRefused) {
  Serve(std::string(16385, 'a') + "\n");
  try {
    client_.ReadLine();
    FAIL() << "no exception";
  } catch (const ENetReadLnMaxLineLengthExceeded& e) {
    EXPECT_EQ(e.Message(),
              "Longueur de ligne maximum d\xE9pass\xE9"
              "e.");
  }
}

TEST_F(SentThenClosed, TheCrOfCrLfCountsTowardsTheLimit) {
  Serve(std::string(16384, 'a') + "\r\n");
  EXPECT_THROW(client_.ReadLine(), ENetReadLnMaxLineLengthExceeded);
}

TEST_F(SentThenClosed, TooManyBytesWithoutTerminatorFailBeforeWaitingForMore) {
  // The peer stays silent after the bytes: a client that waited for more
  // would fail with a read time-out instead.
  Serve(std::string(16385, 'a'), false);
  EXPECT_THROW(client_.ReadLine(), ENetReadLnMaxLineLengthExceeded);
}

TEST_F(SentThenClosed, SplitModeReturnsPiecesOfTheMaximum) {
  Serve("abcdefgh\nxy\n");
  client_.SetMaxLineAction(TNetMaxLineAction::maSplit);
  EXPECT_EQ(client_.ReadLine("\n", -1, 3), "abc");
  EXPECT_TRUE(client_.ReadLineSplit());
  EXPECT_EQ(client_.ReadLine("\n", -1, 3), "def");
  EXPECT_EQ(client_.ReadLine("\n", -1, 3), "gh");
  EXPECT_FALSE(client_.ReadLineSplit());
  EXPECT_EQ(client_.ReadLine("\n", -1, 3), "xy");
}

TEST_F(SentThenClosed, LastLineWithoutTerminatorEndsEmptyThenTheCloseIsRaised) {
  Serve("one\ntwo");
  EXPECT_EQ(client_.ReadLine(), "one");
  EXPECT_FALSE(client_.ReadLineEndedEmpty());
  EXPECT_EQ(client_.ReadLine(), "");
  EXPECT_TRUE(client_.ReadLineEndedEmpty());
  // The bytes of the unfinished line are still there, but never as a line.
  EXPECT_EQ(client_.InputBuffer().View(), "two");
  try {
    client_.ReadLine();
    FAIL() << "no exception";
  } catch (const ENetConnClosedGracefully& e) {
    EXPECT_EQ(e.Message(),
              "La connexion s'est termin\xE9"
              "e proprement.");
  }
  EXPECT_FALSE(client_.Connected());
}

TEST_F(SentThenClosed, CloseAfterACompleteLineRaisesAtTheNextRead) {
  Serve("only\n");
  EXPECT_EQ(client_.ReadLine(), "only");
  EXPECT_THROW(client_.ReadLine(), ENetConnClosedGracefully);
}

TEST_F(SentThenClosed, SilentPeerGivesReadTimeout) {
  Serve("", false);
  client_.SetReadTimeout(100);
  try {
    client_.ReadLine();
    FAIL() << "no exception";
  } catch (const ENetReadTimeout& e) {
    EXPECT_EQ(e.Message(), "D\xE9lai de lecture");
  }
}

TEST_F(SentThenClosed, AnExplicitTimeoutEndsTheReadWithAnEmptyText) {
  Serve("partial", false);
  EXPECT_EQ(client_.ReadLine("\n", 100), "");
  EXPECT_TRUE(client_.ReadLineTimedOut());
  EXPECT_EQ(client_.InputBuffer().View(), "partial");
  EXPECT_TRUE(client_.Connected());
}

// The same reads with the bytes cut at chosen places between receives.
class ReadLineOverMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    client_.SetIOHandler(&transport_);
    client_.Connect();
  }
  TNetIOHandlerMemory transport_;
  TNetTCPClient client_;
};

TEST_F(ReadLineOverMemory, CrLfTerminatorCutBetweenTwoReceivesIsFound) {
  transport_.AddInput("abc\r");
  transport_.AddInput("\ndef\r\n");
  transport_.ClosePeer();
  EXPECT_EQ(client_.ReadLine("\r\n"), "abc");
  EXPECT_EQ(client_.ReadLine("\r\n"), "def");
}

TEST_F(ReadLineOverMemory, ALineOfTheMaximumWhoseCrLfIsCutIsStillAccepted) {
  transport_.AddInput("abc\r");
  transport_.AddInput("\n");
  EXPECT_EQ(client_.ReadLine("\r\n", -1, 3), "abc");
}

TEST_F(ReadLineOverMemory, OneByteReceivesGiveTheSameLines) {
  for (const char c : std::string("ab\r\ncd\n\nef\r\r\n")) transport_.AddInput(std::string(1, c));
  transport_.ClosePeer();
  EXPECT_EQ(client_.ReadLine(), "ab");
  EXPECT_EQ(client_.ReadLine(), "cd");
  EXPECT_EQ(client_.ReadLine(), "");
  EXPECT_FALSE(client_.ReadLineEndedEmpty());
  EXPECT_EQ(client_.ReadLine(), "ef\r");
  EXPECT_THROW(client_.ReadLine(), ENetConnClosedGracefully);
}

TEST_F(ReadLineOverMemory, TheLimitIsCheckedBeforeTheNextReceive) {
  transport_.AddInput(std::string(20, 'a'));
  transport_.AddInput("never taken\n");
  EXPECT_THROW(client_.ReadLine("\n", -1, 10), ENetReadLnMaxLineLengthExceeded);
  // The failed read left the buffer as it was and did not receive again.
  EXPECT_EQ(client_.InputBuffer().Size(), 20);
}

TEST_F(ReadLineOverMemory, ZeroMeansNoLimit) {
  transport_.AddInput(std::string(100000, 'z') + "\n");
  EXPECT_EQ(client_.ReadLine("\n", -1, 0).size(), 100000u);
}

TEST_F(ReadLineOverMemory, AsciiFilterClearsTheTopBit) {
  client_.SetASCIIFilter(true);
  transport_.AddInput("\xC1\xE2\n");
  EXPECT_EQ(client_.ReadLine(), "Ab");
}

}  // namespace
}  // namespace vitrix
