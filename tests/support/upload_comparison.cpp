#include "support/upload_comparison.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/child_process.h"
#include "support/command_line.h"
#include "support/random_bytes.h"
#include "support/timing.h"

namespace vitrix::test {

namespace {

long MedianKb(std::vector<long> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

void CreateRandomFile(const std::string& path, int64_t size) {
  std::ofstream out(path, std::ios::binary);
  const std::string block = RandomBytes(1 << 20, 11);
  for (int64_t written = 0; written < size;) {
    const int64_t n = std::min<int64_t>(size - written, static_cast<int64_t>(block.size()));
    out.write(block.data(), n);
    written += n;
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

UploadRow CompareUploads(const std::string& label, int64_t size, const std::vector<std::string>& ours,
                         const std::vector<std::string>& curl, int runs, const std::function<int64_t()>& body_bytes) {
  UploadRow row{label, size};
  std::vector<double> ours_times, curl_times;
  std::vector<long> ours_kb, curl_kb;
  // One untimed round of each warms the page cache and the programs.
  RunChildOrThrow(ours);
  RunChildOrThrow(curl);
  for (int run = 0; run < runs; ++run) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool ours_now = (run + turn) % 2 == 0;
      const ChildRun m = RunChildOrThrow(ours_now ? ours : curl);
      if (body_bytes() < size) throw std::runtime_error("the sink got a short body");
      (ours_now ? ours_times : curl_times).push_back(m.seconds);
      (ours_now ? ours_kb : curl_kb).push_back(m.peak_kb);
    }
  }
  row.ours = Median(ours_times);
  row.curl = Median(curl_times);
  row.ours_kb = MedianKb(ours_kb);
  row.curl_kb = MedianKb(curl_kb);
  return row;
}

void PrintUploadTable(const std::string& title, int runs, const std::vector<UploadRow>& rows) {
  std::printf("%s, medians of %d alternating runs\n", title.c_str(), runs);
  std::printf("%6s %12s %12s %10s %10s %8s %12s %12s\n", "file", "vitrix s", "curl s", "vitrix MB/s", "curl MB/s",
              "ratio", "vitrix peak", "curl peak");
  for (const UploadRow& row : rows) {
    const double mb = static_cast<double>(row.size) / (1 << 20);
    std::printf("%6s %12.4f %12.4f %10.1f %10.1f %7.2fx %9ld KB %9ld KB\n", row.label.c_str(), row.ours, row.curl,
                mb / row.ours, mb / row.curl, row.curl / row.ours, row.ours_kb, row.curl_kb);
  }
  if (rows.size() > 1) {
    std::printf("vitrix peak memory growth from %s to %s: %ld KB (curl: %ld KB)\n", rows.front().label.c_str(),
                rows.back().label.c_str(), rows.back().ours_kb - rows.front().ours_kb,
                rows.back().curl_kb - rows.front().curl_kb);
  }
}

int UploadBenchMain(int argc, char** argv, const char* name,
                    const std::function<int(int port, const std::string& path)>& send,
                    const std::function<int(const UploadBenchOptions&)>& drive) {
  try {
    UploadBenchOptions options;
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--send" && i + 2 < argc) return send(std::atoi(argv[i + 1]), argv[i + 2]);
      if (arg == "--sizes" && i + 1 < argc) options.sizes = SplitList(argv[++i]);
      else if (arg == "--runs" && i + 1 < argc) options.runs = std::max(1, std::atoi(argv[++i]));
      else if (arg == "--dir" && i + 1 < argc) options.parent = argv[++i];
      else {
        std::fprintf(stderr, "usage: %s [--sizes 1M,100M,1G] [--runs 5] [--dir /tmp]\n", argv[0]);
        return 2;
      }
    }
    options.self = std::filesystem::canonical("/proc/self/exe").string();
    return drive(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 1;
  }
}

}  // namespace vitrix::test
