#pragma once

// Saving the capture as a JPEG file under the next free number of the work
// folder.

#include <string>

namespace vitrix {

class TPicture;

inline constexpr const char* kSavedMessagePrefix = "Image Sauvegard\xE9" "e sous le nom ";
inline constexpr const char* kEmptyCaptureText =
    "L'image est vide : il n'y a rien \xE0 enregistrer, aucun fichier n'a \xE9t\xE9 cr\xE9\xE9.";

// The first of dossiertravail + "1.jpg", "2.jpg", ... that does not exist
// (dossiertravail ends with the path separator).
std::string nouveaunom(const std::string& dossiertravail);

// Writes the picture to path as a baseline JPEG at quality (1..100). A
// picture that is not a bitmap is drawn into one first. A picture without
// pixels raises EInvalidGraphic with kEmptyCaptureText before any file is
// made; a file that cannot be written completely is removed again.
void SaveCaptureAsJpeg(TPicture& picture, int quality, const std::string& path);

}  // namespace vitrix
