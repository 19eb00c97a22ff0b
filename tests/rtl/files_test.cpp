#include "rtl/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "rtl/exceptions.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

TEST(Files, CreateDirMakesOneLevelOnly) {
  test::TempDir dir;
  EXPECT_FALSE(CreateDir(dir.Path() + "a/b"));
  EXPECT_FALSE(DirectoryExists(dir.Path() + "a"));
  EXPECT_TRUE(CreateDir(dir.Path() + "a"));
  EXPECT_TRUE(DirectoryExists(dir.Path() + "a"));
  EXPECT_FALSE(FileExists(dir.Path() + "a"));
}

TEST(Files, DeleteFileNeverRemovesAFolder) {
  test::TempDir dir;
  ASSERT_TRUE(CreateDir(dir.Path() + "sub"));
  EXPECT_FALSE(DeleteFile(dir.Path() + "sub"));
  EXPECT_TRUE(DirectoryExists(dir.Path() + "sub"));
  dir.WriteFile("f.jpg", "x");
  EXPECT_TRUE(DeleteFile(dir.Path() + "f.jpg"));
  EXPECT_FALSE(FileExists(dir.Path() + "f.jpg"));
}

TEST(Files, ListFolderGivesAttributesAndSkipsDotEntries) {
  test::TempDir dir;
  dir.WriteFile("1.jpg", "abc");
  dir.WriteFile("\xC3\xA9.txt", "");
  ASSERT_TRUE(CreateDir(dir.Path() + "sub"));
  auto entries = ListFolder(dir.Path());
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.Name < b.Name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "1.jpg");
  EXPECT_EQ(entries[0].Attr & faDirectory, 0);
  EXPECT_EQ(entries[0].Size, 3);
  EXPECT_EQ(entries[1].Name, "sub");
  EXPECT_EQ(entries[1].Attr, faDirectory);
  EXPECT_EQ(entries[2].Name, "\xE9.txt");
}

TEST(Files, ListFolderRaisesWhenTheFolderCannotBeRead) {
  test::TempDir dir;
  EXPECT_THROW(ListFolder(dir.Path() + "missing"), EInOutError);
}

TEST(Files, PathHelpers) {
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExtractFileName("/home/u/3.jpg"), "3.jpg");
  EXPECT_EQ(ExtractFileName("3.jpg"), "3.jpg");
  EXPECT_EQ(ExpandFileName("/abs"), "/abs");
  EXPECT_EQ(ExpandFileName("rel").back(), 'l');
  EXPECT_EQ(ExpandFileName("rel").front(), '/');
}

}  // namespace
}  // namespace vitrix
