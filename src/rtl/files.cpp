#include "rtl/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "rtl/cp1252.h"
#include "rtl/exceptions.h"
#include "rtl/system_error.h"

namespace vitrix {

std::string ToSystemPath(std::string_view path) { return Cp1252ToUtf8(path); }

std::string FromSystemPath(std::string_view system_path) { return Utf8ToCp1252OrThrow(system_path); }

bool FileExists(std::string_view path) {
  struct stat info {};
  return ::stat(ToSystemPath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat info {};
  return ::stat(ToSystemPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EntryExists(std::string_view path) {
  struct stat info {};
  return ::lstat(ToSystemPath(path).c_str(), &info) == 0;
}

bool CreateDir(std::string_view path) { return ::mkdir(ToSystemPath(path).c_str(), 0777) == 0; }

bool DeleteFile(std::string_view path) {
  const std::string system_path = ToSystemPath(path);
  struct stat info {};
  if (::lstat(system_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return ::unlink(system_path.c_str()) == 0;
}

std::string ExpandFileName(std::string_view path) {
  if (!path.empty() && path.front() == kPathDelim) return std::string(path);
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  if (!cwd) return std::string(path);
  return IncludeTrailingPathDelimiter(Utf8ToCp1252Lossy(cwd.get())) + std::string(path);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != kPathDelim) out += kPathDelim;
  return out;
}

std::string ExtractFileName(std::string_view path) {
  const auto slash = path.find_last_of(kPathDelim);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

namespace {

struct TCloseDir {
  void operator()(DIR* d) const { ::closedir(d); }
};
using TDirHandle = std::unique_ptr<DIR, TCloseDir>;

TDirHandle OpenFolder(std::string_view folder, const std::string& system_folder) {
  TDirHandle dir(::opendir(system_folder.c_str()));
  if (!dir) {
    const int error = errno;
    throw EInOutError(error,
                      "Impossible de lire le dossier \"" + std::string(folder) + "\". " + SysErrorMessage(error));
  }
  return dir;
}

}  // namespace

// The names are the system's bytes as they are: a name is never converted,
// so names that no Windows-1252 text can hold go as well. Each entry is
// looked at and removed through the open folder, so that a folder swapped
// for a link meanwhile cannot lead the deletions elsewhere.
int DeleteFilesInFolder(std::string_view folder, std::string_view keep) {
  TDirHandle dir = OpenFolder(folder, ToSystemPath(folder));
  const int folder_fd = ::dirfd(dir.get());
  const std::string system_keep = ToSystemPath(keep);
  int deleted = 0;
  while (dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || name == system_keep) continue;
    struct stat info {};
    if (::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) continue;
    if (::unlinkat(folder_fd, entry->d_name, 0) == 0) ++deleted;
  }
  return deleted;
}

std::vector<TSearchRec> ListFolder(std::string_view folder) {
  const std::string system_folder = ToSystemPath(folder);
  TDirHandle dir = OpenFolder(folder, system_folder);
  std::vector<TSearchRec> entries;
  const std::string prefix = IncludeTrailingPathDelimiter(system_folder);
  while (dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    auto converted = Utf8ToCp1252(name);
    if (!converted) continue;
    TSearchRec rec;
    rec.Name = std::move(*converted);
    struct stat info {};
    const std::string full = prefix + std::string(name);
    if (::lstat(full.c_str(), &info) == 0) {
      if (S_ISLNK(info.st_mode)) rec.Attr |= faSymLink;
      struct stat target {};
      const bool is_dir = ::stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
      rec.Attr |= is_dir ? faDirectory : faArchive;
      if (::access(full.c_str(), W_OK) != 0) rec.Attr |= faReadOnly;
      if (name.front() == '.') rec.Attr |= faHidden;
      rec.Size = info.st_size;
    }
    entries.push_back(std::move(rec));
  }
  return entries;
}

}  // namespace vitrix
