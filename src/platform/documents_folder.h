#pragma once

// The user's personal documents folder.

#include <memory>
#include <string>

#include "platform/services.h"

namespace vitrix {

// The start of the error raised when the folder's name cannot be written in
// Windows-1252; the name follows, with '?' for what cannot be shown.
inline constexpr const char* kDocumentsNameError =
    "Le nom du dossier Documents contient des caract\xE8res hors de la page de code Windows-1252, "
    "vitrix ne peut pas y travailler : ";

class IDocumentsFolder {
 public:
  virtual ~IDocumentsFolder() = default;
  // The folder's full path in Windows-1252, as the desktop gives it (with or
  // without a final separator). EEncodingError (kDocumentsNameError) when the
  // name has characters Windows-1252 cannot hold: a garbled name would lead
  // to a folder nobody asked for.
  virtual std::string Path() = 0;

  static std::unique_ptr<IDocumentsFolder> CreateSystem();
};

inline IDocumentsFolder& DocumentsFolder() { return Platform<IDocumentsFolder>(); }

// Converts a system path (UTF-8) of the documents folder, raising the error
// above when it does not fit in Windows-1252.
std::string DocumentsPathFromSystem(const std::string& utf8_path);

}  // namespace vitrix
