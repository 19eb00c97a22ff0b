#include "rtl/file_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "rtl/exceptions.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

TEST(FileStream, CreateTruncatesAndWrites) {
  test::TempDir dir;
  const std::string path = dir.WriteFile("a.bin", "old content");
  {
    TFileStream file(path, fmCreate);
    file.WriteText("new");
    EXPECT_EQ(file.Size(), 3);
  }
  EXPECT_EQ(dir.ReadFile("a.bin"), "new");
}

TEST(FileStream, CloseReportsWhatTheSystemCouldNotKeepAndClosesOnce) {
  test::TempDir dir;
  {
    TFileStream file(dir.Path() + "a.bin", fmCreate);
    file.WriteText("kept");
    file.Close();
    EXPECT_EQ(file.Handle(), -1);
    file.Close();  // nothing left to close
  }
  EXPECT_EQ(dir.ReadFile("a.bin"), "kept");

  // A descriptor the system refuses to close stands for a file system that
  // reports lost data only at close.
  TFileStream file(dir.Path() + "b.bin", fmCreate);
  ASSERT_EQ(::close(file.Handle()), 0);
  EXPECT_THROW(file.Close(), EWriteError);
  EXPECT_EQ(file.Handle(), -1);
}

TEST(FileStream, AppendModeAddsAtTheEnd) {
  test::TempDir dir;
  const std::string path = dir.WriteFile("log.txt", "one\r\n");
  {
    TFileStream file(path, fmOpenWrite | fmAppend | fmShareDenyWrite);
    file.WriteText("two\r\n");
  }
  EXPECT_EQ(dir.ReadFile("log.txt"), "one\r\ntwo\r\n");
}

TEST(FileStream, OpeningAMissingFileNamesItInFrench) {
  test::TempDir dir;
  try {
    TFileStream file(dir.Path() + "absent.jpg", fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Impossible d'ouvrir le fichier \"" + dir.Path() +
                               "absent.jpg\". Le fichier sp\xE9" "cifi\xE9 est introuvable.");
  }
}

TEST(FileStream, CreatingInAMissingFolderRaisesTheCreateError) {
  test::TempDir dir;
  try {
    TFileStream file(dir.Path() + "no/such.jpg", fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Impossible de cr\xE9" "er le fichier \"" + dir.Path() + "no/such.jpg\". ", 0), 0u);
  }
}

TEST(FileStream, DenyWriteSharingKeepsExclusiveOpenersOut) {
  test::TempDir dir;
  const std::string path = dir.WriteFile("shared.jpg", "data");
  TFileStream reader(path, fmOpenRead | fmShareDenyWrite);
  // Another reader that also denies writing is fine ...
  TFileStream second(path, fmOpenRead | fmShareDenyWrite);
  // ... but a writer that wants the file for itself is refused, and the file is not emptied.
  EXPECT_THROW(TFileStream(path, fmCreate), EFCreateError);
  EXPECT_EQ(dir.ReadFile("shared.jpg"), "data");
}

TEST(FileStream, CarriesWindows1252NamesToUtf8OnDisk) {
  test::TempDir dir;
  {
    TFileStream file(dir.Path() + "\xE9t\xE9.txt", fmCreate);
    file.WriteText("x");
  }
  EXPECT_EQ(dir.ReadFile("\xC3\xA9t\xC3\xA9.txt"), "x");
}

}  // namespace
}  // namespace vitrix
