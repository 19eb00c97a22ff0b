// Upload throughput over TLS: vitrix's multipart body sent over a
// TNetTCPClient through the TLS transport versus `curl -F` with the same file
// to the same loopback TLS sink.
//
//   bench_upload_tls [--sizes 1M,100M,1G] [--runs 5] [--dir /tmp]
//
// For each size a file of that many pseudo-random bytes is created under
// --dir and deleted afterwards. Each round runs both senders as child
// processes, alternating which goes first; the wall time of each child and
// its peak resident memory (from wait4) are recorded, and the medians are
// printed with the throughput ratio and the growth of vitrix's peak memory
// from the smallest to the largest file.
//
// The sink is a thread of this process: it shakes hands with a certificate
// of a test authority made at start with the openssl tool (both senders
// trust that authority: vitrix through SSL_CERT_FILE, curl through
// --cacert), reads a request head, then as many body bytes as Content-Length
// says, answers 200 and closes with the TLS close.
//
// With --send PORT FILE the program is the vitrix sender itself.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/multipart_stream.h"
#include "net/io_handler_ssl.h"
#include "net/tcp_client.h"
#include "rtl/strings.h"
#include "support/child_process.h"
#include "support/command_line.h"
#include "support/loopback_server.h"
#include "support/multipart_post.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/timing.h"
#include "support/tls_test_peer.h"

namespace {

using namespace vitrix::test;

// ---------------------------------------------------------------- sender

int SendWithVitrix(int port, const std::string& path) {
  using namespace vitrix;
  TNetMultiPartFormDataStream body;
  body.AddFileField("fichier", path, "application/octet-stream", std::filesystem::path(path).filename().string());
  TNetSSLIOHandlerSocket tls;
  TNetTCPClient client;
  client.SetIOHandler(&tls);
  PostMultipart(client, port, body);
  const std::string status = client.ReadLine();
  TStringStream rest;
  client.ReadToStream(rest, -1, true);
  return status.find(" 200 ") != std::string::npos ? 0 : 1;
}

// ------------------------------------------------------------------ sink

class Sink {
 public:
  explicit Sink(const TlsServerContext& context) : context_(context) {}
  int Port() const { return listener_.Port(); }
  // Body bytes received by the last exchange.
  int64_t LastBodyBytes() const { return last_body_bytes_; }

 private:
  void Serve(PeerConnection& connection) {
    TlsPeer peer(connection, context_);
    if (!peer.Accept()) return;
    const std::string received = peer.ReceiveUntil("\r\n\r\n");
    const size_t head_end = received.find("\r\n\r\n");
    if (head_end == std::string::npos) return;
    const int64_t already = static_cast<int64_t>(received.size() - head_end - 4);
    const int64_t length = ContentLength(vitrix::LowerCase(received.substr(0, head_end)));
    last_body_bytes_ = already + peer.Discard(length - already);
    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    peer.Close();
  }

  static int64_t ContentLength(const std::string& lower_case_head) {
    const size_t at = lower_case_head.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoll(lower_case_head.c_str() + at + 17, nullptr, 10);
  }

  const TlsServerContext& context_;
  std::atomic<int64_t> last_body_bytes_{0};
  // Last: it serves with the members above as soon as it exists.
  LoopbackServer listener_{[this](PeerConnection& peer) { Serve(peer); }, LoopbackServer::kUntilDestroyed,
                           LoopbackServer::kNoDeadline};
};

// --------------------------------------------------------------- driver

long MedianKb(std::vector<long> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A file of size pseudo-random bytes: one 1 MiB block written again and again.
void CreateFile(const std::string& path, int64_t size) {
  std::ofstream out(path, std::ios::binary);
  const std::string block = RandomBytes(1 << 20, 11);
  for (int64_t written = 0; written < size;) {
    const int64_t n = std::min<int64_t>(size - written, static_cast<int64_t>(block.size()));
    out.write(block.data(), n);
    written += n;
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

struct Row {
  std::string label;
  int64_t size = 0;
  double ours = 0;
  double curl = 0;
  long ours_kb = 0;
  long curl_kb = 0;
};

int Drive(const std::vector<std::string>& sizes, int runs, const std::string& parent, const std::string& self) {
  const TempDir folder(parent);
  const TlsCertificates certificates;
  if (!certificates.Made()) throw std::runtime_error("the openssl tool could not make the test certificates");
  ::setenv("SSL_CERT_FILE", certificates.CAFile().c_str(), 1);
  const TlsServerContext context(certificates.Certificate("good"), certificates.Key("good"));
  Sink sink(context);
  const std::string url = "https://127.0.0.1:" + std::to_string(sink.Port()) + "/upload";
  std::vector<Row> rows;
  for (const std::string& label : sizes) {
    Row row{label, ParseSize(label)};
    const std::string path = folder.Path() + "upload-" + label + ".bin";
    CreateFile(path, row.size);
    const std::vector<std::string> ours = {self, "--send", std::to_string(sink.Port()), path};
    const std::vector<std::string> curl = {"curl",
                                           "-s",
                                           "-S",
                                           "-o",
                                           "/dev/null",
                                           "--cacert",
                                           certificates.CAFile(),
                                           "-H",
                                           "Expect:",
                                           "-F",
                                           "fichier=@" + path,
                                           url};
    std::vector<double> ours_times, curl_times;
    std::vector<long> ours_kb, curl_kb;
    // One untimed round of each warms the page cache and the programs.
    RunChildOrThrow(ours);
    RunChildOrThrow(curl);
    for (int run = 0; run < runs; ++run) {
      for (int turn = 0; turn < 2; ++turn) {
        const bool ours_now = (run + turn) % 2 == 0;
        const ChildRun m = RunChildOrThrow(ours_now ? ours : curl);
        if (sink.LastBodyBytes() < row.size) throw std::runtime_error("the sink got a short body");
        (ours_now ? ours_times : curl_times).push_back(m.seconds);
        (ours_now ? ours_kb : curl_kb).push_back(m.peak_kb);
      }
    }
    row.ours = Median(ours_times);
    row.curl = Median(curl_times);
    row.ours_kb = MedianKb(ours_kb);
    row.curl_kb = MedianKb(curl_kb);
    rows.push_back(row);
    std::filesystem::remove(path);
  }

  std::printf("upload of a multipart body over TLS to a loopback sink, medians of %d alternating runs\n", runs);
  std::printf("%6s %12s %12s %10s %10s %8s %12s %12s\n", "file", "vitrix s", "curl s", "vitrix MB/s", "curl MB/s",
              "ratio", "vitrix peak", "curl peak");
  for (const Row& row : rows) {
    const double mb = static_cast<double>(row.size) / (1 << 20);
    std::printf("%6s %12.4f %12.4f %10.1f %10.1f %7.2fx %9ld KB %9ld KB\n", row.label.c_str(), row.ours, row.curl,
                mb / row.ours, mb / row.curl, row.curl / row.ours, row.ours_kb, row.curl_kb);
  }
  if (rows.size() > 1) {
    std::printf("vitrix peak memory growth from %s to %s: %ld KB (curl: %ld KB)\n", rows.front().label.c_str(),
                rows.back().label.c_str(), rows.back().ours_kb - rows.front().ours_kb,
                rows.back().curl_kb - rows.front().curl_kb);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::vector<std::string> sizes = {"1M", "100M", "1G"};
    int runs = 5;
    std::string parent = "/tmp";
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--send" && i + 2 < argc) return SendWithVitrix(std::atoi(argv[i + 1]), argv[i + 2]);
      if (arg == "--sizes" && i + 1 < argc) sizes = SplitList(argv[++i]);
      else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
      else if (arg == "--dir" && i + 1 < argc) parent = argv[++i];
      else {
        std::fprintf(stderr, "usage: %s [--sizes 1M,100M,1G] [--runs 5] [--dir /tmp]\n", argv[0]);
        return 2;
      }
    }
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    return Drive(sizes, runs, parent, self);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_upload_tls: %s\n", e.what());
    return 1;
  }
}
