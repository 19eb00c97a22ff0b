#include "rtl/file_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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
                               "absent.jpg\". Le fichier sp\xE9"
                               "cifi\xE9 est introuvable.");
  }
}

TEST(FileStream, CreatingInAMissingFolderRaisesTheCreateError) {
  test::TempDir dir;
  try {
    TFileStream file(dir.Path() + "no/such.jpg", fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Impossible de cr\xE9"
                                "er le fichier \"" +
                                    dir.Path() + "no/such.jpg\". ",
                                0),
              0u);
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

// Whatever already has the name stays as it was: a file keeps its bytes, a
// link its target, and a link that points nowhere creates nothing where it
// points.
TEST(FileStream, CreateNewRefusesEveryEntryThatHasTheNameAndFollowsNoLink) {
  test::TempDir dir;
  test::TempDir outside;
  dir.WriteFile("file.jpg", "old");
  ASSERT_EQ(::mkdir((dir.Path() + "folder.jpg").c_str(), 0777), 0);
  ASSERT_EQ(::symlink((outside.Path() + "target.jpg").c_str(), (dir.Path() + "dangling.jpg").c_str()), 0);
  const std::string kept = outside.WriteFile("kept.jpg", "outside");
  ASSERT_EQ(::symlink(kept.c_str(), (dir.Path() + "link.jpg").c_str()), 0);
  for (const char* name : {"file.jpg", "folder.jpg", "dangling.jpg", "link.jpg"}) {
    try {
      TFileStream file(dir.Path() + name, fmCreateNew);
      ADD_FAILURE() << name << ": created";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.ErrorCode(), EEXIST) << name;
      EXPECT_EQ(e.Message(),
                "Impossible de cr\xE9"
                "er le fichier \"" +
                    dir.Path() + name + "\". Le fichier existe.");
    }
  }
  EXPECT_EQ(dir.ReadFile("file.jpg"), "old");
  EXPECT_EQ(outside.ReadFile("kept.jpg"), "outside");
  struct stat info {};
  EXPECT_NE(::lstat((outside.Path() + "target.jpg").c_str(), &info), 0);

  {
    TFileStream file(dir.Path() + "new.jpg", fmCreateNew);
    file.WriteText("new");
  }
  EXPECT_EQ(dir.ReadFile("new.jpg"), "new");
}

// /dev/full takes no byte and answers ENOSPC, as a full disk does.
TEST(FileStream, AWriteErrorNamesTheFileAndTheSystemsReason) {
  TFileStream file("/dev/full", fmOpenWrite);
  try {
    file.WriteText("capture");
    FAIL() << "no exception";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOSPC);
    EXPECT_EQ(e.Message(),
              "Erreur d'\xE9"
              "criture dans le fichier \"/dev/full\". Il n'y a pas assez d'espace sur le disque.");
  }
}

TEST(FileStream, AReadErrorNamesTheFileButTheEndOfTheFileKeepsTheGenericText) {
  test::TempDir dir;
  const std::string path = dir.WriteFile("short.bin", "ab");
  char buffer[4];
  {
    TFileStream file(path, fmOpenRead);
    try {
      file.ReadBuffer(buffer, 4);
      FAIL() << "no exception";
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), kReadErrorText);
    }
  }
  // Reading a folder's descriptor fails with EISDIR.
  TFileStream folder(dir.Path(), fmOpenRead);
  try {
    folder.ReadBuffer(buffer, 1);
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.ErrorCode(), EISDIR);
    EXPECT_EQ(e.Message(),
              "Erreur de lecture dans le fichier \"" + dir.Path() + "\". Le chemin d\xE9signe un dossier.");
  }
}

}  // namespace
}  // namespace vitrix
