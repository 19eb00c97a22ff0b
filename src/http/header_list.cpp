#include "http/header_list.h"

#include "rtl/strings.h"

namespace vitrix {
namespace {

bool IsContinuation(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

}  // namespace

void TNetHeaderList::AddLines(const TNetHeaderList& other) {
  lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
}

std::string TNetHeaderList::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string TNetHeaderList::Names(int index) const {
  const std::string& line = (*this)[index];
  const size_t colon = line.find(':');
  return colon == std::string::npos ? std::string() : Trim(std::string_view(line).substr(0, colon));
}

int TNetHeaderList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (!IsContinuation((*this)[i]) && (*this)[i].find(':') != std::string::npos && SameText(Names(i), name)) {
      return i;
    }
  }
  return -1;
}

int TNetHeaderList::ContinuationCount(int index) const {
  int count = 0;
  while (index + 1 + count < Count() && IsContinuation((*this)[index + 1 + count])) ++count;
  return count;
}

std::string TNetHeaderList::ValueAt(int index) const {
  const std::string& line = (*this)[index];
  std::string value = line.substr(line.find(':') + 1);
  const int continuations = ContinuationCount(index);
  for (int i = 1; i <= continuations; ++i) {
    value += ' ';
    value += Trim((*this)[index + i]);
  }
  return Trim(value);
}

std::string TNetHeaderList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueAt(index);
}

std::vector<std::string> TNetHeaderList::Extract(std::string_view name) const {
  std::vector<std::string> values;
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = (*this)[i];
    if (!IsContinuation(line) && line.find(':') != std::string::npos && SameText(Names(i), name)) {
      values.push_back(ValueAt(i));
    }
  }
  return values;
}

void TNetHeaderList::SetValue(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (index >= 0) {
    lines_.erase(lines_.begin() + index, lines_.begin() + index + 1 + ContinuationCount(index));
  }
  if (value.empty()) return;
  std::string line(name);
  line += ": ";
  line.append(value);
  const std::vector<std::string> pieces = FoldLine(line, fold_length_);
  lines_.insert(index >= 0 ? lines_.begin() + index : lines_.end(), pieces.begin(), pieces.end());
}

std::vector<std::string> TNetHeaderList::FoldLine(std::string_view line, int fold_length) {
  std::vector<std::string> pieces;
  std::string rest(line);
  while (fold_length > 0 && static_cast<int>(rest.size()) > fold_length) {
    // The last break point before the limit, outside double quotes.
    size_t cut = std::string::npos;
    bool quoted = false;
    for (size_t i = 0; i < static_cast<size_t>(fold_length) && i < rest.size(); ++i) {
      const char c = rest[i];
      if (c == '"') quoted = !quoted;
      else if (!quoted && (c == ' ' || c == '\t' || c == ',')) cut = i;
    }
    // A piece of blanks only, or the first character, gives no useful line.
    std::string head = cut == std::string::npos ? std::string() : TrimRight(std::string_view(rest).substr(0, cut + 1));
    if (head.empty() || (!pieces.empty() && head.find_first_not_of(" \t") == std::string::npos)) break;
    pieces.push_back(std::move(head));
    rest = Concat({" ", TrimLeft(std::string_view(rest).substr(cut + 1))});
  }
  std::string last = TrimRight(rest);
  if (!last.empty() || pieces.empty()) pieces.push_back(std::move(last));
  return pieces;
}

}  // namespace vitrix
