// ReadLine over arbitrary byte streams cut into arbitrary receives. The lines
// must not depend on where the receives cut the stream: they are compared
// with a model that sees the whole stream at once.
//
// Input: byte 0 chooses the terminator, the line limit, the limit action and
// the receive size; byte 1 seeds the cuts; the rest is what the peer sends
// before it closes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "net/testing/io_handler_memory.h"

namespace {

using vitrix::fuzz::Check;

enum class TOutcome { ocLine, ocTooLong, ocClosed };

struct Result {
  TOutcome outcome = TOutcome::ocLine;
  std::string line;
  bool split = false;
  bool ended_empty = false;
  bool operator==(const Result&) const = default;
};

// The lines of the whole stream as ReadLine must give them.
class Model {
 public:
  Model(std::string_view stream, std::string_view terminator, int64_t max_length, bool split)
      : stream_(stream), terminator_(terminator.empty() ? "\n" : terminator), max_(max_length), split_(split) {}

  Result Next() {
    const std::string_view rest = stream_.substr(position_);
    const size_t found = rest.find(terminator_);
    const auto overlap = static_cast<int64_t>(terminator_.size()) - 1;
    const int64_t length =
        found != std::string_view::npos ? static_cast<int64_t>(found) : static_cast<int64_t>(rest.size()) - overlap;
    if (max_ != 0 && length > max_) {
      if (!split_) return {TOutcome::ocTooLong, {}, false, false};
      position_ += static_cast<size_t>(max_);
      return {TOutcome::ocLine, std::string(rest.substr(0, static_cast<size_t>(max_))), true, false};
    }
    if (found != std::string_view::npos) {
      std::string line(rest.substr(0, found));
      position_ += found + terminator_.size();
      if (terminator_ == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
      return {TOutcome::ocLine, line, false, false};
    }
    if (rest.empty() || ended_empty_) return {TOutcome::ocClosed, {}, false, false};
    ended_empty_ = true;
    return {TOutcome::ocLine, {}, false, true};
  }

 private:
  std::string_view stream_;
  std::string_view terminator_;
  int64_t max_;
  bool split_;
  size_t position_ = 0;
  bool ended_empty_ = false;
};

constexpr std::string_view kTerminators[] = {"", "\r\n", "ab", "\n"};
constexpr int kMaxLengths[] = {0, 1, 2, 3, 4, 7, 16, 100};
constexpr int kReceiveSizes[] = {1, 3, 8, 32768};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  if (size < 2) return 0;
  const uint8_t config = data[0];
  uint32_t cut_state = data[1] | 0x100u;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::string_view terminator = kTerminators[config & 3];
  const bool split = (config & 4) != 0;
  const int max_length = kMaxLengths[(config >> 3) & 7];

  TNetIOHandlerMemory transport;
  for (size_t at = 0; at < stream.size();) {
    cut_state = cut_state * 1103515245u + 12345u;
    const size_t piece = 1 + (cut_state >> 16) % 17;
    transport.AddInput(std::string(stream.substr(at, piece)));
    at += piece;
  }
  transport.ClosePeer();

  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.SetRecvBufferSize(kReceiveSizes[(config >> 6) & 3]);
  client.SetMaxLineAction(split ? TNetMaxLineAction::maSplit : TNetMaxLineAction::maException);
  client.Connect();

  Model model(stream, terminator, max_length, split);
  for (size_t round = 0; round <= stream.size() + 2; ++round) {
    const Result expected = model.Next();
    Result actual;
    try {
      actual.line = client.ReadLine(terminator, -1, max_length);
      actual.split = client.ReadLineSplit();
      actual.ended_empty = client.ReadLineEndedEmpty();
    } catch (const ENetReadLnMaxLineLengthExceeded&) {
      actual.outcome = TOutcome::ocTooLong;
    } catch (const ENetConnClosedGracefully&) {
      actual.outcome = TOutcome::ocClosed;
    }
    Check(actual == expected, "ReadLine gives the lines of the whole stream");
    Check(max_length == 0 || actual.line.size() <= static_cast<size_t>(max_length), "no line beyond the limit");
    if (expected.outcome != TOutcome::ocLine) return 0;
  }
  Check(false, "the stream ends within as many reads as it has bytes");
  return 0;
}
