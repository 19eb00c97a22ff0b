// Download throughput: TNetHTTP fetching a body by length and by chunks from
// a loopback server, versus curl fetching the same addresses.
//
//   bench_fetch [--sizes 100M] [--runs 5]
//
// The server is a thread of this process. It answers GET /length?n=N with a
// Content-Length body of N bytes and GET /chunked?n=N with the same bytes in
// 32 KiB chunks, then closes. Each round runs both fetchers as child
// processes, alternating which goes first; each child's wall time is
// recorded and the medians are printed with the throughput ratio (vitrix's
// throughput over curl's). Both fetchers throw the body away and report how
// many bytes they got, which must be N.
//
// With --fetch URL the program is the vitrix fetcher itself.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "rtl/streams.h"
#include "support/child_process.h"
#include "support/command_line.h"
#include "support/loopback_server.h"
#include "support/random_bytes.h"
#include "support/timing.h"

namespace {

using namespace vitrix::test;

// ------------------------------------------------------------------ fetcher

// Counts what is written and keeps nothing.
class DiscardStream : public vitrix::TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    position_ += count;
    size_ = std::max(size_, position_);
    return count;
  }
  int64_t Seek(int64_t offset, vitrix::TSeekOrigin origin) override {
    if (origin == vitrix::TSeekOrigin::soBeginning) position_ = offset;
    else if (origin == vitrix::TSeekOrigin::soCurrent) position_ += offset;
    else position_ = size_ + offset;
    return position_;
  }
  void SetSize(int64_t size) override { size_ = size; }

 private:
  int64_t position_ = 0;
  int64_t size_ = 0;
};

int FetchWithVitrix(const std::string& url) {
  vitrix::TNetHTTP client;
  DiscardStream body;
  client.Get(url, &body);
  std::printf("%lld\n", static_cast<long long>(body.Size()));
  return 0;
}

// ------------------------------------------------------------------- server

class Server {
 public:
  int Port() const { return listener_.Port(); }

 private:
  // count bytes of the block, from offset on, wrapping around.
  bool SendPayload(PeerConnection& peer, int64_t offset, int64_t count) {
    while (count > 0) {
      const int64_t at = offset % static_cast<int64_t>(block_.size());
      const int64_t n = std::min<int64_t>(count, static_cast<int64_t>(block_.size()) - at);
      if (!peer.Send(std::string_view(block_).substr(static_cast<size_t>(at), static_cast<size_t>(n)))) return false;
      offset += n;
      count -= n;
    }
    return true;
  }

  void Serve(PeerConnection& peer) {
    const std::string head = peer.ReceiveUntil("\r\n\r\n");
    if (head.find("\r\n\r\n") == std::string::npos) return;
    const size_t query = head.find("?n=");
    const int64_t size = query == std::string::npos ? 0 : std::strtoll(head.c_str() + query + 3, nullptr, 10);
    const bool chunked = head.compare(0, 13, "GET /chunked?") == 0;
    if (!chunked) {
      if (!peer.Send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                     std::to_string(size) + "\r\nConnection: close\r\n\r\n") ||
          !SendPayload(peer, 0, size)) {
        return;
      }
    } else {
      if (!peer.Send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n"
                     "Connection: close\r\n\r\n")) {
        return;
      }
      constexpr int64_t kChunk = 32768;
      for (int64_t at = 0; at < size; at += kChunk) {
        const int64_t n = std::min(kChunk, size - at);
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%llx\r\n", static_cast<unsigned long long>(n));
        if (!peer.Send(std::string_view(line, static_cast<size_t>(length))) || !SendPayload(peer, at, n) ||
            !peer.Send("\r\n")) {
          return;
        }
      }
      if (!peer.Send("0\r\n\r\n")) return;
    }
    peer.CloseSending();
    // Wait for the client's close so that its exit is not raced by ours.
    peer.ReceiveUntilClose();
  }

  // One block of pseudo-random bytes, sent again and again.
  const std::string block_ = RandomBytes(1 << 20, 7);
  // Last: it serves with the members above as soon as it exists.
  LoopbackServer listener_{[this](PeerConnection& peer) { Serve(peer); }, LoopbackServer::kUntilDestroyed,
                           LoopbackServer::kNoDeadline};
};

// ------------------------------------------------------------------- driver

struct Row {
  std::string label;
  std::string framing;
  int64_t size = 0;
  double ours = 0;
  double curl = 0;
};

int Drive(const std::vector<std::string>& sizes, int runs, const std::string& self) {
  Server server;
  std::vector<Row> rows;
  for (const std::string& label : sizes) {
    for (const char* framing : {"length", "chunked"}) {
      Row row{label, framing, ParseSize(label)};
      const std::string url =
          "http://127.0.0.1:" + std::to_string(server.Port()) + "/" + framing + "?n=" + std::to_string(row.size);
      const std::vector<std::string> ours = {self, "--fetch", url};
      const std::vector<std::string> curl = {"curl", "-s", "-S", "-o", "/dev/null", "-w", "%{size_download}\n", url};
      std::vector<double> ours_times, curl_times;
      constexpr auto kStdout = ChildProcess::Output::kStdout;
      // One untimed round of each warms the programs up.
      RunChildOrThrow(ours, kStdout);
      RunChildOrThrow(curl, kStdout);
      for (int run = 0; run < runs; ++run) {
        for (int turn = 0; turn < 2; ++turn) {
          const bool ours_now = (run + turn) % 2 == 0;
          const ChildRun fetch = RunChildOrThrow(ours_now ? ours : curl, kStdout);
          if (std::strtoll(fetch.output.c_str(), nullptr, 10) != row.size) {
            throw std::runtime_error(std::string(ours_now ? "vitrix" : "curl") + " got " + fetch.output + " bytes");
          }
          (ours_now ? ours_times : curl_times).push_back(fetch.seconds);
        }
      }
      row.ours = Median(ours_times);
      row.curl = Median(curl_times);
      rows.push_back(row);
    }
  }

  std::printf("download of a body from a loopback server, medians of %d alternating runs\n", runs);
  std::printf("%6s %8s %10s %10s %12s %12s %8s\n", "body", "framing", "vitrix s", "curl s", "vitrix MB/s", "curl MB/s",
              "ratio");
  for (const Row& row : rows) {
    const double mb = static_cast<double>(row.size) / (1 << 20);
    std::printf("%6s %8s %10.4f %10.4f %12.1f %12.1f %7.2fx\n", row.label.c_str(), row.framing.c_str(), row.ours,
                row.curl, mb / row.ours, mb / row.curl, row.curl / row.ours);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> sizes = {"100M"};
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--fetch" && i + 1 < argc) return FetchWithVitrix(argv[i + 1]);
      if (arg == "--sizes" && i + 1 < argc) sizes = SplitList(argv[++i]);
      else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
      else {
        std::fprintf(stderr, "usage: %s [--sizes 100M] [--runs 5]\n", argv[0]);
        return 2;
      }
    }
    return Drive(sizes, runs, std::filesystem::canonical("/proc/self/exe").string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_fetch: %s\n", e.what());
    return 1;
  }
}
