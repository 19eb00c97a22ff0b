// A result page that is one long address: the upload's dialogue, its reply
// text and the search for the tag, for pages of 1 MiB and 16 MiB.
//
//   bench_long_address [--sizes 1M,16M] [--runs 3]
//
// A loopback host answers the upload's POST and first GET with redirects and
// the second GET with the page: the marker, then "http://h/" and as many
// letters as make the page the size asked, then a double quote. Each round
// runs in a child process (fork): its wall time and peak resident memory are
// recorded, and the peak of a round on a page of a few bytes is subtracted,
// which leaves what the page itself cost. curl fetches the same page in the
// same run as the reference. The cost of the program's part must grow like
// the page: the ratio of the 16 MiB time to the 1 MiB time is printed next
// to the sizes' own ratio.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "support/command_line.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/timing.h"

namespace {

using namespace vitrix;
using namespace vitrix::test;

std::string LongAddressPage(int64_t size) {
  const std::string head =
      "<p>Image H\xE9"
      "berg\xE9"
      "e : \"http://h/";
  const std::string tail = "\"</p>";
  const int64_t letters = std::max<int64_t>(1, size - static_cast<int64_t>(head.size() + tail.size()));
  return head + std::string(static_cast<size_t>(letters), 'a') + tail;
}

// A host that answers every connection by the request's first line.
class LongAddressHost {
 public:
  explicit LongAddressHost(int64_t size)
      : size_(size),
        server_([this](PeerConnection& peer) { Serve(peer); }, LoopbackServer::kUntilDestroyed,
                LoopbackServer::kNoDeadline) {}
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(server_.Port()) + "/"; }

 private:
  void Serve(PeerConnection& peer) {
    size_t offset = 0;
    const std::string request = ReadRequest(peer, offset);
    if (request.rfind("POST ", 0) == 0) peer.Send(ClosingReply("302 Found", "Location: a\r\n", ""));
    else if (request.rfind("GET /a ", 0) == 0) peer.Send(ClosingReply("302 Found", "Location: b\r\n", ""));
    else peer.Send(ClosingReply("200 OK", "", LongAddressPage(size_)));
  }

  // The page is made for each reply, after the round's child process has
  // been forked: made once beforehand, it would count in the child's
  // resident memory too.
  int64_t size_;
  LoopbackServer server_;
};

struct Round {
  double seconds = 0;
  double peak_mb = 0;
  bool ok = false;
};

// Runs work in a child process; its wall time and peak resident size.
template <class Work>
Round InChild(Work&& work) {
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Round round;
  round.seconds = Seconds(start);
  round.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  round.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return round;
}

// The program's part: the upload through a client with the window's
// settings, then the tag search. A page of one long address gives no tag.
Round UploadRound(const std::string& base, const std::string& file) {
  return InChild([&] {
    TNetHTTP but;
    ConfigureUploadClient(but);
    std::string link;
    TUploadHooks hooks{
        [](const std::string&, TColor) {}, [](const std::string&) {}, [&](const std::string& l) { link = l; }, {}};
    UploadCapture(but, base, file, hooks);
    return link == kNoImageAddress;
  });
}

Round CurlRound(const std::string& base) {
  return InChild([&] {
    const std::string command = "curl -s -f -o /dev/null '" + base + "b'";
    return std::system(command.c_str()) == 0;
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> sizes = {"1M", "16M"};
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sizes" && i + 1 < argc) sizes = SplitList(argv[++i]);
    else if (arg == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else {
      std::fprintf(stderr, "usage: %s [--sizes 1M,16M] [--runs 3]\n", argv[0]);
      return 2;
    }
  }
  TempDir dir;
  const std::string file = dir.WriteFile("1.jpg", std::string(20000, 'j'));

  // The baseline: the same round on a page of a few bytes.
  LongAddressHost tiny(64);
  std::vector<double> base_peaks;
  for (int r = 0; r < runs; ++r) base_peaks.push_back(UploadRound(tiny.BaseURL(), file).peak_mb);
  const double base_peak = Median(base_peaks);
  std::printf("baseline round (64-byte page): peak %.1f MB\n", base_peak);

  std::map<int64_t, double> medians;
  bool all_ok = true;
  for (const std::string& text : sizes) {
    const int64_t size = std::min(ParseSize(text), kMaxReplyText);
    LongAddressHost host(size);
    std::vector<double> ours, theirs, peaks;
    for (int r = 0; r < runs; ++r) {
      const Round upload = UploadRound(host.BaseURL(), file);
      const Round curl = CurlRound(host.BaseURL());
      all_ok = all_ok && upload.ok && curl.ok;
      ours.push_back(upload.seconds);
      theirs.push_back(curl.seconds);
      peaks.push_back(upload.peak_mb);
    }
    medians[size] = Median(ours);
    std::printf(
        "page %9lld bytes: vitrix %.3f s (3 requests + tag search), curl %.3f s (the page alone), "
        "ratio %.2f; peak %.1f MB, %.1f MB above the baseline\n",
        static_cast<long long>(size), Median(ours), Median(theirs), Median(ours) / Median(theirs), Median(peaks),
        Median(peaks) - base_peak);
  }
  if (medians.size() >= 2) {
    const auto first = medians.begin();
    const auto last = std::prev(medians.end());
    std::printf("growth: %.1fx the page for %.1fx the time (linear ~ equal, quadratic ~ the square)\n",
                static_cast<double>(last->first) / static_cast<double>(first->first), last->second / first->second);
  }
  if (!all_ok) {
    std::fprintf(stderr, "a round failed\n");
    return 1;
  }
  return 0;
}
