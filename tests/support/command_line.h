#pragma once

// The arguments benchmarks take: sizes and lists.

#include <cstdint>
#include <string>
#include <vector>

namespace vitrix::test {

// "100M", "1G", "64K" or a plain byte count.
int64_t ParseSize(const std::string& text);

// "1M,100M,1G" -> {"1M", "100M", "1G"}; empty items are dropped.
std::vector<std::string> SplitList(const std::string& text);

}  // namespace vitrix::test
