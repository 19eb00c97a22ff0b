// Upload throughput: vitrix's multipart body sent over a TNetTCPClient versus
// `curl -F` with the same file to the same loopback sink.
//
//   bench_upload [--sizes 1M,100M,1G] [--runs 5] [--dir /tmp]
//
// For each size a file of that many pseudo-random bytes is created under
// --dir and deleted afterwards. Each round runs both senders as child
// processes, alternating which goes first; the wall time of each child and
// its peak resident memory (from wait4) are recorded, and the medians are
// printed with the throughput ratio and the growth of vitrix's peak memory
// from the smallest to the largest file.
//
// The sink is a thread of this process: it reads a request head, then as many
// body bytes as Content-Length says, answers 200 and closes.
//
// With --send PORT FILE the program is the vitrix sender itself.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "http/multipart_stream.h"
#include "net/tcp_client.h"
#include "rtl/strings.h"
#include "support/command_line.h"
#include "support/loopback_server.h"
#include "support/multipart_post.h"
#include "support/temp_dir.h"
#include "support/upload_comparison.h"

namespace {

using namespace vitrix::test;

// ---------------------------------------------------------------- sender

int SendWithVitrix(int port, const std::string& path) {
  using namespace vitrix;
  TNetMultiPartFormDataStream body;
  body.AddFileField("fichier", path, "application/octet-stream", std::filesystem::path(path).filename().string());
  TNetTCPClient client;
  PostMultipart(client, port, body);
  const std::string status = client.ReadLine();
  TStringStream rest;
  client.ReadToStream(rest, -1, true);
  return status.find(" 200 ") != std::string::npos ? 0 : 1;
}

// ------------------------------------------------------------------ sink

class Sink {
 public:
  int Port() const { return listener_.Port(); }
  // Body bytes received by the last exchange.
  int64_t LastBodyBytes() const { return last_body_bytes_; }

 private:
  void Serve(PeerConnection& peer) {
    const std::string received = peer.ReceiveUntil("\r\n\r\n");
    const size_t head_end = received.find("\r\n\r\n");
    if (head_end == std::string::npos) return;
    const int64_t already = static_cast<int64_t>(received.size() - head_end - 4);
    const int64_t length = ContentLength(vitrix::LowerCase(received.substr(0, head_end)));
    last_body_bytes_ = already + peer.Discard(length - already);
    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    peer.CloseSending();
    // Wait for the client's close so that its exit is not raced by ours.
    peer.ReceiveUntilClose();
  }

  static int64_t ContentLength(const std::string& lower_case_head) {
    const size_t at = lower_case_head.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoll(lower_case_head.c_str() + at + 17, nullptr, 10);
  }

  std::atomic<int64_t> last_body_bytes_{0};
  // Last: it serves with the members above as soon as it exists.
  LoopbackServer listener_{[this](PeerConnection& peer) { Serve(peer); }, LoopbackServer::kUntilDestroyed,
                           LoopbackServer::kNoDeadline};
};

// --------------------------------------------------------------- driver

int Drive(const UploadBenchOptions& options) {
  const TempDir folder(options.parent);
  Sink sink;
  const std::string url = "http://127.0.0.1:" + std::to_string(sink.Port()) + "/upload";
  std::vector<UploadRow> rows;
  for (const std::string& label : options.sizes) {
    const int64_t size = ParseSize(label);
    const std::string path = folder.Path() + "upload-" + label + ".bin";
    CreateRandomFile(path, size);
    const std::vector<std::string> ours = {options.self, "--send", std::to_string(sink.Port()), path};
    const std::vector<std::string> curl = {
        "curl", "-s", "-S", "-o", "/dev/null", "-H", "Expect:", "-F", "fichier=@" + path, url};
    rows.push_back(CompareUploads(label, size, ours, curl, options.runs, [&sink] { return sink.LastBodyBytes(); }));
    std::filesystem::remove(path);
  }
  PrintUploadTable("upload of a multipart body to a loopback sink", options.runs, rows);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return UploadBenchMain(argc, argv, "bench_upload", SendWithVitrix, Drive); }
