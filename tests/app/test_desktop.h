#pragma once

#include <filesystem>
#include <string>

#include "platform/services.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/testing/scripted_text_clipboard.h"
#include "support/temp_dir.h"

namespace vitrix::test {

// What a main window test runs on: a fresh home whose Documents folder is the
// user's documents folder, scripted message boxes, and a text clipboard that
// records what is copied. Declare it before the windows, which use all three
// from their creation on.
struct TestDesktop {
  TestDesktop() { std::filesystem::create_directories(documents); }

  TempDir home;
  std::string documents = home.Path() + "Documents";
  TFixedDocumentsFolder folder{documents};
  TScopedPlatform<IDocumentsFolder> use_folder{folder};
  TScriptedDialogs dialogs;
  TScopedPlatform<IDialogs> use_dialogs{dialogs};
  TRecordingTextClipboard clipboard;
  TScopedPlatform<ITextClipboard> use_clipboard{clipboard};
};

}  // namespace vitrix::test
