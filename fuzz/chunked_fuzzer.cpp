// Chunked bodies of arbitrary bytes, cut into arbitrary receives: what the
// client delivers equals what a plain model decoder makes of the whole
// stream, and the client fails exactly when the model finds the framing
// broken.
//
// Input: byte 0 seeds the cuts; the rest follows a head announcing chunks.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/http_client.h"
#include "net/net_exceptions.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"

namespace {

constexpr size_t kLineLimit = 16384;

// Decodes the chunked stream; nullopt when it is cut or broken.
class Model {
 public:
  explicit Model(std::string_view stream) : stream_(stream) {}

  std::optional<std::string> Decode() {
    std::string body;
    for (;;) {
      const auto line = Line(kLineLimit);
      if (!line) return std::nullopt;
      const auto size = Size(*line);
      if (!size) return std::nullopt;
      if (*size == 0) break;
      if (stream_.size() - at_ < *size) return std::nullopt;
      body.append(stream_.substr(at_, *size));
      at_ += *size;
      if (!Line(kLineLimit)) return std::nullopt;
    }
    // The trailer: lines up to an empty one, within the head's limits.
    size_t bytes = 0;
    for (int lines = 0;; ++lines) {
      if (lines >= 1000 || bytes >= (1u << 20)) return std::nullopt;
      const auto line = Line(std::min<size_t>(kLineLimit, (1u << 20) - bytes));
      if (!line) return std::nullopt;
      if (line->empty()) return body;
      bytes += line->size() + 2;
    }
  }

 private:
  // A line up to LF without its CR; nullopt at the end of the stream or
  // beyond the limit.
  std::optional<std::string> Line(size_t limit) {
    const size_t lf = stream_.find('\n', at_);
    if (lf == std::string_view::npos || lf - at_ > limit) return std::nullopt;
    std::string line(stream_.substr(at_, lf - at_));
    at_ = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  static std::optional<uint64_t> Size(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos) return std::nullopt;
    uint64_t size = 0;
    const size_t first = i;
    for (; i < line.size() && std::isxdigit(static_cast<unsigned char>(line[i])); ++i) {
      if (size > (uint64_t{1} << 56)) return std::nullopt;
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i])));
      size = size * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    if (i == first) return std::nullopt;
    i = line.find_first_not_of(" \t", i);
    if (i != std::string::npos && line[i] != ';') return std::nullopt;
    return size;
  }

  std::string_view stream_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  using vitrix::fuzz::Check;
  if (size < 1) return 0;
  uint32_t cut_state = data[0] | 0x100u;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

  TNetIOHandlerMemory transport;
  transport.AddInput("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
  for (size_t at = 0; at < stream.size();) {
    cut_state = cut_state * 1103515245u + 12345u;
    const size_t piece = 1 + (cut_state >> 16) % 40;
    transport.AddInput(std::string(stream.substr(at, piece)));
    at += piece;
  }
  transport.ClosePeer();

  TNetHTTP client;
  client.SetIOHandler(&transport);
  TStringStream body;
  bool finished = true;
  try {
    client.Get("http://fuzz.example/", &body);
  } catch (const ENetException&) {
    finished = false;
  }
  const std::optional<std::string> expected = Model(stream).Decode();
  Check(finished == expected.has_value(), "the client fails exactly when the framing is broken");
  if (expected) Check(body.DataString() == *expected, "the body is the chunks' bytes");
  return 0;
}
