// The process-wide services and their real implementations that can run
// offscreen: documents folder, clipboard text, clock.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/documents_folder.h"
#include "platform/testing/scripted_clock.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/text_clipboard.h"
#include "rtl/exceptions.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

TEST(Services, ScopedReplacementsNestAndGiveBackTheRealOne) {
  IClock& real = Clock();
  EXPECT_EQ(&Clock(), &real);  // made once
  TFixedClock outer(1.0);
  {
    TScopedPlatform<IClock> use_outer(outer);
    EXPECT_EQ(Clock().Now(), 1.0);
    TFixedClock inner(2.0);
    {
      TScopedPlatform<IClock> use_inner(inner);
      EXPECT_EQ(Clock().Now(), 2.0);
    }
    EXPECT_EQ(Clock().Now(), 1.0);
  }
  EXPECT_EQ(&Clock(), &real);
}

TEST(DocumentsFolder, PathFromTheSystemIsConvertedToWindows1252) {
  EXPECT_EQ(DocumentsPathFromSystem("/home/z\xC3\xA9lie/Documents"), "/home/z\xE9lie/Documents");
}

TEST(DocumentsFolder, NameOutsideWindows1252IsAClearErrorNotAGarbledPath) {
  try {
    DocumentsPathFromSystem("/home/\xE6\x96\x87\xE6\x9B\xB8/Documents");
    FAIL() << "no error";
  } catch (const EEncodingError& e) {
    EXPECT_EQ(e.Message(), std::string(kDocumentsNameError) +
                               "/home/?"
                               "?/Documents");
  }
}

// The XDG user directories file names the documents folder.
TEST(DocumentsFolder, RealFolderFollowsTheXdgUserDirectories) {
  test::TempDir config;
  const std::string documents = config.Path() + "Dossiers \xC3\xA0 moi";
  std::filesystem::create_directories(documents);
  config.WriteFile("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + documents + "\"\n");
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  const std::string path = IDocumentsFolder::CreateSystem()->Path();
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  EXPECT_EQ(path, config.Path() + "Dossiers \xE0 moi");
}

TEST(TextClipboard, TextArrivesOnTheClipboardInUnicode) {
  TextClipboard().SetText("[img]http://h\xF4te/1.jpg[/img]\r\n");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("[img]http://hôte/1.jpg[/img]\r\n"));
}

TEST(Clock, RealClockTellsTheLocalTimeNow) {
  const TDateTime before = Now();
  const TDateTime now = Clock().Now();
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 5.0 / 86400.0);
}

}  // namespace
}  // namespace vitrix
