#pragma once

// What an upload reports through its hooks, recorded as the main window
// would show it: the status lines with their colours, the journal lines and
// the links. Programs that include it link the publish library.

#include <string>
#include <utility>
#include <vector>

#include "publish/upload.h"

namespace vitrix::test {

struct UploadRecorder {
  std::vector<std::pair<std::string, TColor>> statuses;
  std::vector<std::string> journal;
  std::vector<std::string> links;
  std::vector<std::string> reasons;

  TUploadHooks Hooks() {
    return {[this](const std::string& m, TColor c) { statuses.emplace_back(m, c); },
            [this](const std::string& line) { journal.push_back(line); },
            [this](const std::string& link) { links.push_back(link); },
            [this](const std::string& reason) { reasons.push_back(reason); }};
  }
};

}  // namespace vitrix::test
