#pragma once

// Header lines "name: value", as a request or a reply carries them. Names
// are matched without regard to case. A line that begins with a space or a
// tab continues the line before it.

#include <string>
#include <string_view>
#include <vector>

namespace vitrix {

class TNetHeaderList {
 public:
  static constexpr int kDefaultFoldLength = 78;

  explicit TNetHeaderList(int fold_length = kDefaultFoldLength) : fold_length_(fold_length) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_[static_cast<size_t>(index)]; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void AddLines(const TNetHeaderList& other);
  void Clear() { lines_.clear(); }
  void Delete(int index) { lines_.erase(lines_.begin() + index); }
  // The lines joined by CR LF, each ending with it.
  std::string Text() const;

  int FoldLength() const { return fold_length_; }
  void SetFoldLength(int length) { fold_length_ = length; }

  // The name of line index: the text before its first ":" (empty for a line
  // without one).
  std::string Names(int index) const;
  // The first line of that name, -1 when there is none.
  int IndexOfName(std::string_view name) const;

  // The value of the first line of that name with its continuation lines,
  // each joined by one space, trimmed; empty when there is none.
  std::string Values(std::string_view name) const;
  // The values of every line of that name, in order.
  std::vector<std::string> Extract(std::string_view name) const;
  // Replaces the first line of that name (and its continuation lines) in
  // place, or appends one; an empty value deletes it. A line longer than
  // the fold length is folded.
  void SetValue(std::string_view name, std::string_view value);

  // Splits a line longer than fold_length after the last space, tab or comma
  // outside double quotes before the limit; the pieces after the first
  // begin with one space, none ends with blanks.
  static std::vector<std::string> FoldLine(std::string_view line, int fold_length);

 private:
  // The value of line index and its continuation lines.
  std::string ValueAt(int index) const;
  // How many continuation lines follow line index.
  int ContinuationCount(int index) const;

  std::vector<std::string> lines_;
  int fold_length_;
};

}  // namespace vitrix
