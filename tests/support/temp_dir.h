#pragma once

#include <string>

namespace vitrix::test {

// A fresh folder under the system's temporary folder ($TMPDIR, else /tmp) or
// under the parent given, removed with everything in it when the object goes
// away. Path() ends with '/'.
class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Writes a file (relative name) with the given bytes; returns its full path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;

 private:
  std::string path_;
};

// The whole content of a file, or an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes bytes as the whole content of a file; false when it cannot.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vitrix::test
