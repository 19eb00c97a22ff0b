#pragma once

// The work journal: a Windows-1252 text file that only ever grows, one line
// (ending in CR LF) per event. Each line reaches the file as it is written, so
// a crash loses nothing.

#include <memory>
#include <string>
#include <string_view>

namespace vitrix {

class TFileStream;

class TJournal {
 public:
  TJournal();
  ~TJournal();
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // Opens the file for appending, creating it empty when it does not exist.
  // The file is held exclusively while open: a second writer cannot open it.
  // EFOpenError / EFCreateError when it cannot be opened.
  void Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Appends one line. EInOutError when the journal is not open or the line
  // cannot be written.
  void WriteLine(std::string_view line);
  // Appends text + the current date + " A " + the current time, in the user's
  // short date and long time formats (the clock is the platform's).
  void WriteStampedLine(std::string_view text);

 private:
  std::unique_ptr<TFileStream> file_;
};

// text + date + " A " + time, for a local date and time.
std::string StampedLine(std::string_view text, double local_time);

}  // namespace vitrix
