#pragma once

// Saving the capture as a JPEG file under the next free number of the work
// folder.

#include <functional>
#include <string>

namespace vitrix {

class TPicture;

inline constexpr const char* kSavedMessagePrefix =
    "Image Sauvegard\xE9"
    "e sous le nom ";
inline constexpr const char* kEmptyCaptureText =
    "L'image est vide : il n'y a rien \xE0 enregistrer, aucun fichier n'a \xE9t\xE9 cr\xE9\xE9.";

// The first of dossiertravail + "1.jpg", "2.jpg", ... that nothing has as its
// name: no file, folder or link, not even a link that points nowhere
// (dossiertravail ends with the path separator).
std::string nouveaunom(const std::string& dossiertravail);

// Writes the picture to path, a new file, as a baseline JPEG at quality
// (1..100). A picture that is not a bitmap is drawn into one first. A picture
// without pixels raises EInvalidGraphic with kEmptyCaptureText before any file
// is made. The file is created only if nothing has the name yet, and never
// through a link: otherwise EFCreateError with ErrorCode EEXIST. A file that
// cannot be written completely is removed again (EWriteError naming the file
// and the system's reason).
void SaveCaptureAsJpeg(TPicture& picture, int quality, const std::string& path);

// Called with the chosen name between the look and the create; tests take
// the name there as another saver would.
using TBeforeCreate = std::function<void(const std::string& path)>;

// Saves the picture in dossiertravail under nouveaunom's name and returns the
// path. When another program takes that name between the look and the save,
// the next free number is tried: nothing is ever replaced. A folder that
// keeps filling up under the save (a thousand names lost one after the
// other) ends in the create error.
std::string SaveCaptureUnderNextName(TPicture& picture, int quality, const std::string& dossiertravail,
                                     const TBeforeCreate& before_create = {});

}  // namespace vitrix
