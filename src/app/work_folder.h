#pragma once

// The work folder: "vitrix" in the user's documents folder, where captures
// are saved and the journal is kept.

#include <string>
#include <string_view>

namespace vitrix {

inline constexpr const char* kJournalName = "vitrix.log";

// documents + a separator when it has none at its end + "vitrix/".
std::string WorkFolderPath(std::string_view documents);

// Creates the folder when it does not exist, one level only: a missing parent
// is not created. Exception "Impossible de créer " + folder when it cannot be.
void EnsureWorkFolder(const std::string& folder);

// Deletes every file and link of the folder (folder ends with a separator)
// except the journal, which stays open and in use, whatever their names
// (names no Windows-1252 text can hold included). A link goes, never what it
// points to. Sub-folders and what they hold are never touched. A file that
// cannot be deleted is left, silently, and so is a folder that cannot be
// read.
void EmptyWorkFolder(const std::string& folder);

}  // namespace vitrix
