// The small standard controls the windows are made of.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>
#include <chrono>
#include <string>
#include <vector>

#include "controls/memo.h"
#include "controls/radio_group.h"
#include "controls/status_bar.h"
#include "controls/up_down.h"
#include "platform/testing/scripted_text_clipboard.h"

namespace vitrix {
namespace {

TEST(Memo, TextUsesCrLfBetweenLinesAndKeepsWindows1252) {
  TMemo memo;
  memo.SetText("caf\xE9\r\nth\xE9");
  EXPECT_EQ(memo.blockCount(), 2);
  EXPECT_EQ(memo.Text(), "caf\xE9\r\nth\xE9");
}

TEST(Memo, AddedLinesEachEndWithALineBreak) {
  TMemo memo;
  memo.AddLine("[img]a[/img]");
  memo.AddLine("[img]b[/img]");
  EXPECT_EQ(memo.Text(), "[img]a[/img]\r\n[img]b[/img]\r\n");
}

TEST(Memo, LineAddedAfterUnfinishedTextGoesOnALineOfItsOwn) {
  TMemo memo;
  memo.SetText("typed");
  memo.AddLine("x");
  EXPECT_EQ(memo.Text(), "typed\r\nx");
}

// Laying out a line without blanks must cost in proportion to its length:
// wrapped at word boundaries, a line of a megabyte took 100 s to show here
// (64 KiB: 0.5 s, 256 KiB: 7 s), and takes about 0.6 s wrapped anywhere. The
// bound is far from both, so that only a return of the quadratic cost fails.
TEST(Memo, AShownLineOfAMegabyteIsLaidOutInLinearTime) {
  TMemo memo;
  memo.resize(300, 120);
  memo.show();
  QApplication::processEvents();
  const std::string tag = "[img]http://h.example/" + std::string(1 << 20, 'a') + "[/img]";
  const auto start = std::chrono::steady_clock::now();
  memo.AddLine(tag);
  memo.repaint();
  QApplication::processEvents();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(memo.Text(), tag + "\r\n");
}

TEST(Memo, CopyPutsTheSelectionOnTheClipboardEvenWhenEmpty) {
  TRecordingTextClipboard clipboard;
  TScopedPlatform<ITextClipboard> use(clipboard);
  TMemo memo;
  memo.SelectAll();
  memo.CopyToClipboard();
  memo.AddLine("a");
  memo.AddLine("\xE9t\xE9");
  memo.SelectAll();
  memo.CopyToClipboard();
  EXPECT_EQ(clipboard.Texts(), (std::vector<std::string>{"", "a\r\n\xE9t\xE9\r\n"}));
}

TEST(UpDown, ClickStepsAndTellsTheNewPositionBeforeTakingIt) {
  TUpDown spinner;
  spinner.SetMin(1);
  spinner.SetMax(100);
  spinner.SetPosition(90);
  std::vector<std::pair<int, int>> seen;  // position at the event, position announced
  spinner.OnChanging = [&](QObject*, bool&, int32_t next) { seen.emplace_back(spinner.Position(), next); };
  spinner.Click(TUDBtnType::btNext);
  spinner.Click(TUDBtnType::btPrev);
  spinner.Click(TUDBtnType::btPrev);
  EXPECT_EQ(spinner.Position(), 89);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{90, 91}, {91, 90}, {90, 89}}));
}

TEST(UpDown, LimitsHoldAndARefusedChangeKeepsThePosition) {
  TUpDown spinner;
  spinner.SetMin(1);
  spinner.SetMax(100);
  int events = 0;
  spinner.OnChanging = [&](QObject*, bool& allow, int32_t) {
    ++events;
    allow = false;
  };
  spinner.SetPosition(500);
  EXPECT_EQ(spinner.Position(), 100);
  spinner.Click(TUDBtnType::btNext);
  EXPECT_EQ(events, 0);
  spinner.Click(TUDBtnType::btPrev);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(spinner.Position(), 100);
  spinner.SetPosition(-3);
  EXPECT_EQ(spinner.Position(), 1);
}

TEST(RadioGroup, ItemIndexIsTheCheckedItem) {
  TRadioGroup group;
  group.SetItems({"un", "deux", "trois"});
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(2);
  EXPECT_EQ(group.ItemIndex(), 2);
  group.Button(0)->click();
  EXPECT_EQ(group.ItemIndex(), 0);
  EXPECT_FALSE(group.Button(2)->isChecked());
  group.SetItemIndex(-1);
  EXPECT_EQ(group.ItemIndex(), -1);
}

TEST(StatusBar, PanelsKeepTheirTextsAndTheFontColour) {
  TStatusBar bar;
  bar.SetPanels({{350, ""}, {150, "fixe"}});
  bar.SetPanelText(0, "Dossier ok");
  bar.SetFontColor(clGreen);
  EXPECT_EQ(bar.PanelText(0), "Dossier ok");
  EXPECT_EQ(bar.PanelText(1), "fixe");
  EXPECT_EQ(bar.FontColor(), clGreen);
  EXPECT_THROW(bar.SetPanelText(2, "x"), std::out_of_range);
}

}  // namespace
}  // namespace vitrix
