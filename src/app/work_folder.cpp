#include "app/work_folder.h"

#include "rtl/exceptions.h"
#include "rtl/files.h"

namespace vitrix {

std::string WorkFolderPath(std::string_view documents) {
  return IncludeTrailingPathDelimiter(documents) + "vitrix" + kPathDelim;
}

void EnsureWorkFolder(const std::string& folder) {
  if (DirectoryExists(folder)) return;
  if (!CreateDir(folder))
    throw Exception(
        "Impossible de cr\xE9"
        "er " +
        folder);
}

void EmptyWorkFolder(const std::string& folder) {
  if (folder.empty()) return;  // never the current folder
  try {
    DeleteFilesInFolder(folder, kJournalName);
  } catch (const EInOutError&) {
    // A folder that cannot be read has nothing that could be deleted.
  }
}

}  // namespace vitrix
