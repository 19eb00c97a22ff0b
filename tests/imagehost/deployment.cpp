#include "deployment.h"

#include <sys/stat.h>

#include <chrono>
#include <regex>
#include <stdexcept>
#include <vector>

namespace vitrix::test {

ImageHostDeployment::ImageHostDeployment() {
  ::chmod(dir_.Path().c_str(), 0711);
  const std::string script =
      "\"$1/tests/imagehost/make-test-certificate\" \"$2cert\" && "
      "exec \"$1/tools/imagehost/deploy/start\" --dir \"$2stack\" --data \"$2data\" "
      "--cert \"$2cert/server.pem\" --key \"$2cert/server.key\" --plain-port 0 --lifetime 600";
  try {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"bash", "-c", script, "deployment", VITRIX_SOURCE_DIR, dir_.Path()},
        ChildProcess::Output::kStdout, dir_.Path() + "start.log");
  } catch (const std::runtime_error&) {
    return;
  }
  // The script says "ready https=N http=N plain=N" once both servers answer.
  const std::vector<std::string> ready =
      process_->WaitForOutput(std::regex(R"(ready https=(\d+) http=\d+ plain=(\d+))"), std::chrono::seconds(60));
  if (ready.size() == 3) {
    https_port_ = std::stoi(ready[1]);
    plain_port_ = std::stoi(ready[2]);
  }
}

// The servers stop before their folder goes.
ImageHostDeployment::~ImageHostDeployment() { process_.reset(); }

std::string ImageHostDeployment::Log() const {
  std::string log = ReadWholeFile(dir_.Path() + "start.log");
  for (const char* name : {"nginx-error.log", "php-fpm.log"}) {
    log += std::string("\n== ") + name + "\n" + ReadWholeFile(dir_.Path() + "stack/logs/" + name);
  }
  return log;
}

}  // namespace vitrix::test
