#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <memory>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

// The folder TempDir makes is open to the user only once this says so.
std::string PrivateFolderIn(const test::TempDir& dir) {
  const std::string folder = dir.Path() + "run";
  EXPECT_EQ(::mkdir(folder.c_str(), 0700), 0);
  return folder;
}

bool ProcessEventsUntil(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 3000) {
    QCoreApplication::processEvents();
    if (condition()) return true;
    QThread::msleep(10);
  }
  return false;
}

TEST(SingleInstance, TheSecondStartOnADisplayFindsTheFirstAndAsksItToComeForward) {
  test::TempDir dir;
  const std::string folder = PrivateFolderIn(dir);
  TSingleInstance first(folder, ":7");
  int asked = 0;
  first.OnComeForward = [&asked] { ++asked; };
  ASSERT_EQ(first.Start(), TInstanceStart::isOnly);

  TSingleInstance second(folder, ":7.0");  // another screen of the same display
  EXPECT_EQ(second.Start(), TInstanceStart::isAlreadyRunning);
  EXPECT_TRUE(second.AskRunningToComeForward());
  EXPECT_TRUE(ProcessEventsUntil([&asked] { return asked == 1; }));

  // Another display is another watch.
  TSingleInstance elsewhere(folder, ":8");
  EXPECT_EQ(elsewhere.Start(), TInstanceStart::isOnly);
}

TEST(SingleInstance, TheLockGoesWithTheInstanceAndALeftSocketFileIsTakenOver) {
  test::TempDir dir;
  const std::string folder = PrivateFolderIn(dir);
  auto first = std::make_unique<TSingleInstance>(folder, ":3");
  ASSERT_EQ(first->Start(), TInstanceStart::isOnly);
  const std::string socket_path = first->SocketPath();
  first.reset();
  TSingleInstance nobody(folder, ":3");
  EXPECT_FALSE(nobody.AskRunningToComeForward());

  // A socket file that an instance killed on the spot left behind.
  ASSERT_TRUE(test::WriteWholeFile(socket_path, ""));
  TSingleInstance next(folder, ":3");
  int asked = 0;
  next.OnComeForward = [&asked] { ++asked; };
  ASSERT_EQ(next.Start(), TInstanceStart::isOnly);
  TSingleInstance later(folder, ":3");
  EXPECT_EQ(later.Start(), TInstanceStart::isAlreadyRunning);
  EXPECT_TRUE(later.AskRunningToComeForward());
  EXPECT_TRUE(ProcessEventsUntil([&asked] { return asked == 1; }));
}

TEST(SingleInstance, WithoutAPrivateFolderNothingIsLockedOrTold) {
  TSingleInstance instance("", ":0");
  EXPECT_EQ(instance.Start(), TInstanceStart::isUnchecked);
  EXPECT_FALSE(instance.AskRunningToComeForward());
}

// A runtime folder others may write in, or a link to one, is not used for
// the lock: someone else could hold it, or read what is put there.
TEST(SingleInstance, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersAlone) {
  test::TempDir dir;
  const std::string own = PrivateFolderIn(dir);
  {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", own + "/");
    EXPECT_EQ(InstanceFolder(), own);
  }
  const std::string open_to_all = dir.Path() + "open";
  ASSERT_EQ(::mkdir(open_to_all.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open_to_all.c_str(), 0777), 0);
  const std::string link = dir.Path() + "link";
  ASSERT_EQ(::symlink(own.c_str(), link.c_str()), 0);
  const std::string fallback = "/tmp/vitrix-" + std::to_string(::geteuid());
  for (const std::string& runtime : {open_to_all, link, std::string("relative/run")}) {
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(InstanceFolder(), fallback) << runtime;
  }
  struct stat info {};
  ASSERT_EQ(::lstat(fallback.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST(SingleInstance, DisplayNamesBecomeSafeFileNameParts) {
  EXPECT_EQ(DisplayFileKey(":0"), ":0");
  EXPECT_EQ(DisplayFileKey(":0.1"), ":0");
  EXPECT_EQ(DisplayFileKey("localhost:10.0"), "localhost:10");
  EXPECT_EQ(DisplayFileKey("/tmp/launch-x/org.xquartz:0"), "_tmp_launch-x_org.xquartz:0");
  EXPECT_EQ(DisplayFileKey("wayland-1"), "wayland-1");
  EXPECT_EQ(DisplayFileKey("../../etc"), ".._.._etc");
  EXPECT_EQ(DisplayFileKey(""), "_");
  // These tests run offscreen: no display that another program shares.
  EXPECT_EQ(InstanceDisplayName(), "");
}

}  // namespace
}  // namespace vitrix
