#include "app/work_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

namespace fs = std::filesystem;

TEST(WorkFolder, PathGetsOneSeparatorBeforeVitrix) {
  EXPECT_EQ(WorkFolderPath("/home/ana/Documents"), "/home/ana/Documents/vitrix/");
  EXPECT_EQ(WorkFolderPath("/home/ana/Documents/"), "/home/ana/Documents/vitrix/");
}

TEST(WorkFolder, MissingFolderIsCreatedAndAnExistingOneKept) {
  test::TempDir dir;
  dir.WriteFile("keep", "");
  const std::string folder = WorkFolderPath(dir.Path());
  EnsureWorkFolder(folder);
  EXPECT_TRUE(DirectoryExists(folder));
  EnsureWorkFolder(folder);
  EXPECT_TRUE(DirectoryExists(folder));
}

TEST(WorkFolder, MissingParentIsNotCreatedAndTheErrorNamesTheWholePath) {
  test::TempDir dir;
  const std::string folder = WorkFolderPath(dir.Path() + "absent");
  try {
    EnsureWorkFolder(folder);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Impossible de cr\xE9"
              "er " +
                  dir.Path() + "absent/vitrix/");
  }
  EXPECT_FALSE(DirectoryExists(dir.Path() + "absent"));
}

TEST(WorkFolder, FileInThePlaceOfTheFolderIsAnError) {
  test::TempDir dir;
  dir.WriteFile("vitrix", "");
  EXPECT_THROW(EnsureWorkFolder(WorkFolderPath(dir.Path())), Exception);
}

TEST(WorkFolder, EmptyingDeletesFilesButKeepsTheJournalAndSubFolders) {
  test::TempDir dir;
  dir.WriteFile("1.jpg", "a");
  dir.WriteFile("2.jpg", "b");
  dir.WriteFile(".cache", "c");
  dir.WriteFile("vitrix.log", "journal\r\n");
  fs::create_directories(dir.Path() + "archives/vieux");
  dir.WriteFile("archives/3.jpg", "d");
  EmptyWorkFolder(dir.Path());
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
    left.push_back(fs::relative(entry.path(), dir.Path()).string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"archives", "archives/3.jpg", "archives/vieux", "vitrix.log"}));
  EXPECT_EQ(dir.ReadFile("vitrix.log"), "journal\r\n");
}

TEST(WorkFolder, EmptyingAMissingFolderDoesNothing) {
  test::TempDir dir;
  EXPECT_NO_THROW(EmptyWorkFolder(dir.Path() + "absent/"));
}

// Names no Windows-1252 text can hold (Japanese, an emoji, a Latin-1 byte
// that is no UTF-8) go like any other; a link goes, never what it points to.
TEST(WorkFolder, EmptyingDeletesEveryFileAndLinkWhateverTheBytesOfItsName) {
  test::TempDir dir;
  test::TempDir outside;
  const std::vector<std::string> odd = {"\xE6\x97\xA5\xE6\x9C\xAC.jpg", "emoji\xF0\x9F\x98\x80.png", "\xE9t\xE9.jpg"};
  for (const std::string& name : odd) test::WriteWholeFile(dir.Path() + name, "x");
  const std::string target = outside.WriteFile("target.jpg", "not ours");
  ASSERT_EQ(::symlink(target.c_str(), (dir.Path() + "link.jpg").c_str()), 0);
  ASSERT_EQ(::symlink((outside.Path() + "gone").c_str(), (dir.Path() + "dangling.jpg").c_str()), 0);
  fs::create_directories(dir.Path() + "\xE6\x97\xA5");
  test::WriteWholeFile(dir.Path() + "\xE6\x97\xA5/1.jpg", "kept");
  dir.WriteFile("vitrix.log", "journal\r\n");

  EmptyWorkFolder(dir.Path());

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"vitrix.log", "\xE6\x97\xA5"}));
  EXPECT_EQ(test::ReadWholeFile(target), "not ours");
  EXPECT_EQ(test::ReadWholeFile(dir.Path() + "\xE6\x97\xA5/1.jpg"), "kept");
}

}  // namespace
}  // namespace vitrix
