#pragma once

// A documents folder for tests: the path the test gives.

#include <string>
#include <utility>

#include "platform/documents_folder.h"

namespace vitrix {

class TFixedDocumentsFolder final : public IDocumentsFolder {
 public:
  explicit TFixedDocumentsFolder(std::string path) : path_(std::move(path)) {}
  std::string Path() override { return path_; }

 private:
  std::string path_;
};

}  // namespace vitrix
