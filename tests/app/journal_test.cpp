#include "app/journal.h"

#include <gtest/gtest.h>

#include "platform/testing/scripted_clock.h"
#include "rtl/datetime.h"
#include "rtl/exceptions.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

TEST(Journal, LinesEndWithCrLfAndReachTheFileAtOnce) {
  test::TempDir dir;
  TJournal journal;
  journal.Open(dir.Path() + "vitrix.log");
  journal.WriteLine("un");
  // Read while the journal is still open: nothing waits in a buffer.
  EXPECT_EQ(dir.ReadFile("vitrix.log"), "un\r\n");
  journal.WriteLine(
      "D\xE9"
      "but");
  EXPECT_EQ(dir.ReadFile("vitrix.log"),
            "un\r\nD\xE9"
            "but\r\n");
}

TEST(Journal, ExistingFileIsAppendedTo) {
  test::TempDir dir;
  dir.WriteFile("vitrix.log", "avant\r\n");
  TJournal journal;
  journal.Open(dir.Path() + "vitrix.log");
  journal.WriteLine("apr\xE8s");
  EXPECT_EQ(dir.ReadFile("vitrix.log"), "avant\r\napr\xE8s\r\n");
}

TEST(Journal, WritingWhenNotOpenIsAnInOutError) {
  TJournal journal;
  EXPECT_THROW(journal.WriteLine("x"), EInOutError);
  test::TempDir dir;
  journal.Open(dir.Path() + "vitrix.log");
  journal.Close();
  try {
    journal.WriteLine("x");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Fichier non ouvert");
  }
}

TEST(Journal, SecondWriterCannotOpenTheJournalInUse) {
  test::TempDir dir;
  TJournal first;
  first.Open(dir.Path() + "vitrix.log");
  TJournal second;
  EXPECT_THROW(second.Open(dir.Path() + "vitrix.log"), EFOpenError);
  first.Close();
  EXPECT_NO_THROW(second.Open(dir.Path() + "vitrix.log"));
}

TEST(Journal, FileThatCannotBeCreatedIsAnError) {
  TJournal journal;
  EXPECT_THROW(journal.Open("/nonexistent-folder-for-vitrix/vitrix.log"), EFCreateError);
  EXPECT_FALSE(journal.IsOpen());
}

TEST(Journal, StampedLineHasTheRegionalDateAndTimeAroundACapitalA) {
  const TDateTime when = EncodeDate(2026, 12, 6) + EncodeTime(20, 15, 38, 0);
  EXPECT_EQ(StampedLine("Fin travail le ", when), "Fin travail le " + ShortDateText(when) + " A " + LongTimeText(when));
  test::TempDir dir;
  TFixedClock clock(when);
  TScopedPlatform<IClock> use(clock);
  TJournal journal;
  journal.Open(dir.Path() + "vitrix.log");
  journal.WriteStampedLine("Nettoyage du dossier ");
  EXPECT_EQ(dir.ReadFile("vitrix.log"), StampedLine("Nettoyage du dossier ", when) + "\r\n");
}

}  // namespace
}  // namespace vitrix
