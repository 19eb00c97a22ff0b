#include "rtl/streams.h"

#include <gtest/gtest.h>

#include <string>

#include "rtl/exceptions.h"

namespace vitrix {
namespace {

TEST(MemoryStream, ReadsBackWhatWasWrittenAndStopsAtTheEnd) {
  TMemoryStream stream;
  stream.WriteText("hello world");
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Position(), 11);
  stream.SetPosition(6);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(stream.Read(buffer, 16), 0);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream stream;
  stream.SetPosition(3);
  stream.WriteText("x");
  EXPECT_EQ(stream.View(), std::string("\0\0\0x", 4));
}

TEST(MemoryStream, SetSizeTruncatesAndKeepsThePositionInside) {
  TStringStream stream("abcdef");
  stream.Seek(0, TSeekOrigin::soEnd);
  stream.SetSize(2);
  EXPECT_EQ(stream.DataString(), "ab");
  EXPECT_EQ(stream.Position(), 2);
  stream.WriteText("Z");
  EXPECT_EQ(stream.DataString(), "abZ");
}

TEST(MemoryStream, GrowsPastLargeSizesWithoutLosingContent) {
  TMemoryStream stream;
  std::string block(100000, 'q');
  for (int i = 0; i < 50; ++i) stream.WriteText(block);
  EXPECT_EQ(stream.Size(), 5000000);
  EXPECT_EQ(stream.Memory()[4999999], 'q');
}

TEST(Stream, ReadBufferRaisesOnAShortRead) {
  TStringStream stream("abc");
  char buffer[4];
  try {
    stream.ReadBuffer(buffer, 4);
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Erreur de lecture du flux");
  }
}

TEST(Stream, CopyFromWithCountZeroCopiesTheWholeSource) {
  TStringStream source("0123456789");
  source.SetPosition(7);
  TStringStream destination("ab");
  destination.Seek(0, TSeekOrigin::soEnd);
  EXPECT_EQ(destination.CopyFrom(source, 0), 10);
  EXPECT_EQ(destination.DataString(), "ab0123456789");
  source.SetPosition(2);
  TStringStream part;
  part.CopyFrom(source, 3);
  EXPECT_EQ(part.DataString(), "234");
}

}  // namespace
}  // namespace vitrix
