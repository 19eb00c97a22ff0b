#include "support/command_line.h"

#include <cstdlib>

namespace vitrix::test {

int64_t ParseSize(const std::string& text) {
  char* end = nullptr;
  const int64_t number = std::strtoll(text.c_str(), &end, 10);
  switch (*end) {
    case 'K': return number << 10;
    case 'M': return number << 20;
    case 'G': return number << 30;
    default: return number;
  }
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!item.empty()) items.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

}  // namespace vitrix::test
