// The upload benchmarks' common part: vitrix and curl each post the same file
// to the same sink as child processes, in alternating order, and the medians
// of their wall times and peak memories are compared.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vitrix::test {

struct UploadRow {
  std::string label;  // the size as given, e.g. "100M"
  int64_t size = 0;
  double ours = 0;  // median seconds
  double curl = 0;
  long ours_kb = 0;  // median peak resident memory
  long curl_kb = 0;
};

// A file of size pseudo-random bytes: one 1 MiB block written again and again.
void CreateRandomFile(const std::string& path, int64_t size);

// One untimed round of each command, then runs rounds of both, alternating
// which goes first. body_bytes tells how many body bytes the sink got from
// the last post; fewer than size raises std::runtime_error.
UploadRow CompareUploads(const std::string& label, int64_t size, const std::vector<std::string>& ours,
                         const std::vector<std::string>& curl, int runs, const std::function<int64_t()>& body_bytes);

// The table of rows under title, with the growth of the peak memories from
// the first row to the last.
void PrintUploadTable(const std::string& title, int runs, const std::vector<UploadRow>& rows);

struct UploadBenchOptions {
  std::vector<std::string> sizes = {"1M", "100M", "1G"};
  int runs = 5;
  std::string parent = "/tmp";  // where the files are made
  std::string self;             // this program, for the --send children
};

// main() of an upload benchmark named name: with --send PORT FILE it is the
// vitrix sender (send), otherwise it reads --sizes, --runs and --dir and
// calls drive. Errors are printed under the name and end with status 1.
int UploadBenchMain(int argc, char** argv, const char* name,
                    const std::function<int(int port, const std::string& path)>& send,
                    const std::function<int(const UploadBenchOptions&)>& drive);

}  // namespace vitrix::test
