#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vitrix::test {

namespace {

std::string SystemTemporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  return base && *base ? base : "/tmp";
}

}  // namespace

TempDir::TempDir() : TempDir(SystemTemporaryFolder()) {}

TempDir::TempDir(const std::string& parent) {
  std::string pattern = parent + "/vitrix-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder in " + parent);
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  const std::string full = path_ + name;
  WriteWholeFile(full, bytes);
  return full;
}

std::string TempDir::ReadFile(const std::string& name) const { return ReadWholeFile(path_ + name); }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  return !out.fail();
}

}  // namespace vitrix::test
