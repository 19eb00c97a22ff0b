#pragma once

// The offscreen platform on a screen of a chosen size: programs that need a
// screen larger (or smaller) than the platform's default call this before the
// QApplication exists. The platform reads its screens from a small JSON file,
// written at path.

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"

namespace vitrix::test {

// Returns false when the file cannot be written (the default screen stays).
inline bool UseOffscreenScreen(const std::string& path, int width, int height) {
  const std::string config =
      "{ \"screens\": [ { \"name\": \"offscreen\", \"x\": 0, \"y\": 0, \"width\": " + std::to_string(width) +
      ", \"height\": " + std::to_string(height) + ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }\n";
  if (!WriteWholeFile(path, config)) return false;
  return ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).c_str(), 1) == 0;
}

}  // namespace vitrix::test
