#pragma once

// The registries that tie picture kinds to clipboard formats and to file
// extensions. Both are built on first use, in a fixed order, and searched
// from the last entry to the first, so a later registration wins.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vitrix {

class TGraphic;

using TGraphicFactory = std::unique_ptr<TGraphic> (*)();

struct TFileFormat {
  std::string Extension;    // lower case, without the dot
  std::string Description;  // Windows-1252
  std::string ClassName;
  TGraphicFactory Create = nullptr;
};

class TFileFormats {
 public:
  void Add(std::string_view extension, std::string_view description, std::string_view class_name,
           TGraphicFactory create);
  // Removes every entry of the class.
  void Remove(std::string_view class_name);
  // The factory of a class, by exact name; nullptr when it is not registered.
  TGraphicFactory FindClass(std::string_view class_name) const;
  // The entry of an extension (any case, without the dot); nullptr if none.
  const TFileFormat* FindExtension(std::string_view extension) const;
  const std::vector<TFileFormat>& Entries() const { return entries_; }

 private:
  std::vector<TFileFormat> entries_;
};

struct TClipboardFormatEntry {
  uint32_t Format = 0;
  std::string ClassName;
  TGraphicFactory Create = nullptr;
};

class TClipboardFormats {
 public:
  void Add(uint32_t format, std::string_view class_name, TGraphicFactory create);
  // The entry of a format; nullptr when the format is not supported.
  const TClipboardFormatEntry* Find(uint32_t format) const;
  const std::vector<TClipboardFormatEntry>& Entries() const { return entries_; }

 private:
  std::vector<TClipboardFormatEntry> entries_;
};

// Metafiles, icons, bitmaps, then JPEG pictures.
TFileFormats& FileFormats();
// Old-style metafiles, enhanced metafiles, then bitmaps.
TClipboardFormats& ClipboardFormats();

// A new, empty graphic of the same kind as graphic (a registered kind).
std::unique_ptr<TGraphic> NewGraphicOfKind(const TGraphic& graphic);

}  // namespace vitrix
