#pragma once

// File-system services on Windows-1252 paths. Paths are converted to the
// system's UTF-8 names only here, where they cross into the operating system.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vitrix {

inline constexpr char kPathDelim = '/';

// Attribute bits of a folder entry.
enum TFileAttr : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faSymLink = 0x400,
  faAnyFile = 0x3F,
};

struct TSearchRec {
  std::string Name;  // Windows-1252 (names that cannot be written in it are skipped)
  int Attr = 0;
  int64_t Size = 0;
};

// The system's name for a Windows-1252 path.
std::string ToSystemPath(std::string_view path);
// The Windows-1252 path for a system name; EEncodingError when a character has
// no place in Windows-1252.
std::string FromSystemPath(std::string_view system_path);

bool FileExists(std::string_view path);  // anything but a folder
bool DirectoryExists(std::string_view path);
// Whether anything has the name: a file, a folder, a link (even one that
// points nowhere: the link itself is looked at, never followed).
bool EntryExists(std::string_view path);
// Creates one folder level; false (errno set) when it cannot be created.
bool CreateDir(std::string_view path);
// Removes a file (never a folder); false (errno set) on failure.
bool DeleteFile(std::string_view path);
// An absolute path: relative paths are resolved against the current folder.
std::string ExpandFileName(std::string_view path);
std::string IncludeTrailingPathDelimiter(std::string_view path);
// The last component of a path (after the last separator).
std::string ExtractFileName(std::string_view path);

// Deletes every file and every link (the link itself, never what it points
// to) directly in folder, whatever bytes their names hold, except the entry
// named keep (a Windows-1252 name). Folders and what they hold, and special
// files (pipes, sockets, devices), stay. What cannot be deleted stays too;
// returns the number of entries deleted. Raises EInOutError when the folder
// cannot be read.
int DeleteFilesInFolder(std::string_view folder, std::string_view keep);

// Every entry of a folder except "." and "..", in the order the system lists
// them. Entries whose names cannot be written in Windows-1252 are left out:
// nothing in this program could name them. Raises EInOutError when the folder
// cannot be read.
std::vector<TSearchRec> ListFolder(std::string_view folder);

}  // namespace vitrix
