#include "net/managed_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "net/net_exceptions.h"

namespace vitrix {
namespace {

TEST(ManagedBuffer, RemovingFromTheFrontOnlyAdvancesTheConsumedPrefix) {
  TNetManagedBuffer buffer;
  buffer.Append("line one\nline two\n", 18);
  buffer.Remove(9);
  EXPECT_EQ(buffer.ConsumedSize(), 9);
  EXPECT_EQ(buffer.View(), "line two\n");
  EXPECT_EQ(buffer.IndexOf("\n"), 8);
  buffer.Remove(9);
  // Everything taken: the block starts over.
  EXPECT_EQ(buffer.ConsumedSize(), 0);
  EXPECT_EQ(buffer.Size(), 0);
}

TEST(ManagedBuffer, CompactsOnceThePrefixReaches32768Bytes) {
  TNetManagedBuffer buffer;
  const std::string block(40000, 'a');
  buffer.Append(block.data(), 40000);
  buffer.Append("tail", 4);
  buffer.Remove(32767);
  EXPECT_EQ(buffer.ConsumedSize(), 32767);
  buffer.Remove(1);
  EXPECT_EQ(buffer.ConsumedSize(), 0);
  EXPECT_EQ(buffer.Size(), 40004 - 32768);
  EXPECT_EQ(buffer.View().substr(buffer.View().size() - 4), "tail");
}

TEST(ManagedBuffer, TakingMoreThanIsHeldFailsAndTakesNothing) {
  TNetManagedBuffer buffer;
  buffer.Append("abc", 3);
  char out[4];
  try {
    buffer.Extract(out, 4);
    FAIL() << "no exception";
  } catch (const ENetNotEnoughDataInBuffer& e) {
    EXPECT_EQ(e.Message(),
              "Pas suffisamment de donn\xE9"
              "es en m\xE9moire tampon.");
  }
  EXPECT_THROW(buffer.Remove(4), ENetNotEnoughDataInBuffer);
  EXPECT_EQ(buffer.View(), "abc");
}

TEST(ManagedBuffer, EveryRemovalIsReportedButClearingIsNot) {
  int64_t reported = 0;
  TNetManagedBuffer buffer([&](int64_t count) { reported += count; });
  buffer.Append("0123456789", 10);
  EXPECT_EQ(buffer.ExtractString(3), "012");
  buffer.Remove(2);
  buffer.Clear();
  EXPECT_EQ(reported, 5);
  EXPECT_EQ(buffer.Size(), 0);
}

TEST(ManagedBuffer, SearchesFromAPosition) {
  TNetManagedBuffer buffer;
  buffer.Append("a\r\nb\r\n", 6);
  EXPECT_EQ(buffer.IndexOf("\r\n"), 1);
  EXPECT_EQ(buffer.IndexOf("\r\n", 2), 4);
  EXPECT_EQ(buffer.IndexOf("\r\n", 5), -1);
  EXPECT_EQ(buffer.IndexOf(""), -1);
}

}  // namespace
}  // namespace vitrix
