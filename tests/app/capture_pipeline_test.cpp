// The capture pipeline without windows: a scripted key, an in-memory
// clipboard, scripted message boxes, editor, host and main window, and a real
// work folder and journal in a temporary folder. Each row says what a press
// leaves behind for one action, one answer to the preview and one outcome of
// the upload.
#include "app/capture_pipeline.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "app/capture_services.h"
#include "app/journal.h"
#include "picture/clipboard.h"
#include "platform/clipboard_device.h"
#include "platform/testing/scripted_clipboard_device.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_print_screen.h"
#include "publish/image_address.h"
#include "publish/jpeg_export.h"
#include "publish/upload.h"
#include "rtl/files.h"
#include "scripted_capture_desk.h"
#include "support/pixels.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

using test::THostOutcome;
using Texts = std::vector<std::string>;
using Statuses = std::vector<test::TScriptedCaptureDesk::TStatus>;

// Texts of the rows. "@" stands for the work folder, which each test makes
// afresh.
const std::string kQuestion = "Voulez vous voir l'image contenue dans le presse papier";
const std::string kSaved1 =
    "Image Sauvegard\xE9"
    "e sous le nom @1.jpg";
const std::string kKept1 =
    "L'image n'a pas pu \xEAtre h\xE9"
    "berg\xE9"
    "e ; elle reste enregistr\xE9"
    "e sous le nom @1.jpg";
const std::string kCannotRead1 = "Impossible d'ouvrir le fichier \"@1.jpg\".";
const std::string kNotFound =
    "Pas d'url image trouv\xE9"
    "e";
const Texts kRedirects = {"http://h.example/traitement.php?image=a1", "http://h.example/resultat.php?image=a1"};
const Statuses kHosted = {{"Envoi fichier phase 1", clGreen},
                          {"Envoi fichier phase 2", clGreen},
                          {"Envoi fichier phase 3", clGreen},
                          {"Envoi fichier phase 4", clGreen},
                          {"Fichier exp\xE9"
                           "di\xE9 avec succ\xE8s",
                           clGreen}};
const Statuses kRefused = {{"Envoi fichier phase 1", clGreen},
                           {"Envoi fichier phase 2", clGreen},
                           {"Envoi fichier phase 3", clGreen},
                           {"Envoi fichier phase 4", clGreen},
                           {"Echec de l'envoi du fichier", clRed}};
const Statuses kUnread = {{"Envoi fichier phase 1", clGreen}};

// A message box that also notes, when an error box opens, whether the watch
// timer runs and whether the clipboard is still held at that moment.
class TErrorWitnessDialogs final : public IDialogs {
 public:
  TErrorWitnessDialogs(TScriptedDialogs& boxes, std::function<void()> witness)
      : boxes_(boxes), witness_(std::move(witness)) {}
  TModalResult MessageBox(const TMessageRequest& request) override { return boxes_.MessageBox(request); }
  void ShowError(const std::string& message) override {
    witness_();
    boxes_.ShowError(message);
  }

 private:
  TScriptedDialogs& boxes_;
  std::function<void()> witness_;
};

// A pipeline whose watch is on, over an empty work folder with an open
// journal.
class CapturePipelineTest : public ::testing::Test {
 public:
  CapturePipelineTest() {
    key_.Start();
    journal_.Open(work_ + "vitrix.log");
  }
  ~CapturePipelineTest() override {
    std::filesystem::current_path(started_in_);
    // A tick never ends with the clipboard held, nor with the watch paused.
    EXPECT_EQ(SharedClipboard().OpenCount(), 0);
    EXPECT_FALSE(clipboard_.IsOpen());
    EXPECT_TRUE(desk_.timer_on);
    // Every error box opened with the clipboard released and the timer off.
    EXPECT_FALSE(clipboard_held_in_error_box_);
    EXPECT_FALSE(timer_on_in_error_box_);
  }

  // A light grey capture: the mask the editor paints stays plain in the JPEG.
  void OfferCapture() {
    QImage grey(48, 32, QImage::Format_RGB32);
    grey.fill(qRgb(200, 200, 200));
    clipboard_.Add(CF_BITMAP, grey);
  }
  void PressAndTick() {
    OfferCapture();
    key_.Press();
    pipeline_.UtilisationGetKeyState();
  }

  std::string InFolder(std::string text) const {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + work_.size())) {
      text.replace(at, 1, work_);
    }
    return text;
  }
  Texts InFolder(const Texts& texts) const {
    Texts expanded;
    for (const std::string& text : texts) expanded.push_back(InFolder(text));
    return expanded;
  }
  // The messages shown, boxes and errors alike, in order.
  Texts Messages() const {
    Texts texts;
    for (const auto& shown : dialogs_.Shown()) texts.push_back(shown.Request.Text);
    return texts;
  }
  // The work folder's files besides the journal, by name.
  Texts FilesLeft() const {
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      if (entry.path().filename() != "vitrix.log") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  Texts JournalLines() const {
    const std::string text = test::ReadWholeFile(folder_.Path() + "vitrix.log");
    Texts lines;
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find("\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }

  test::TempDir folder_;
  std::string work_ = folder_.Path();
  const std::filesystem::path started_in_ = std::filesystem::current_path();
  TScriptedPrintScreen key_;
  TScopedPlatform<IPrintScreen> use_key_{key_};
  TScriptedClipboardDevice clipboard_;
  TScopedPlatform<IClipboardDevice> use_clipboard_{clipboard_};
  TScriptedDialogs dialogs_;
  bool clipboard_held_in_error_box_ = false;
  bool timer_on_in_error_box_ = false;
  TErrorWitnessDialogs witness_{dialogs_, [this] {
                                  clipboard_held_in_error_box_ |=
                                      clipboard_.IsOpen() || SharedClipboard().OpenCount() != 0;
                                  timer_on_in_error_box_ |= desk_.timer_on;
                                }};
  TScopedPlatform<IDialogs> use_dialogs_{witness_};
  TJournal journal_;
  TWorkFolderCaptures captures_{work_};
  test::TScriptedCaptureDesk desk_;
  TCapturePipeline pipeline_{{.Editor = desk_,
                              .Folder = captures_,
                              .Host = desk_,
                              .Window = desk_,
                              .Status = desk_,
                              .Links = desk_,
                              .Journal = journal_}};
};

// How the preview goes: what is asked before the action, and whether the
// user saw (and masked) the capture.
enum class TPreview { pvAutomatic, pvYes, pvNo };

struct TPreviewRow {
  const char* Name;
  TPreview Preview;
  Texts Asked;
  bool Edited;
};

// What an action leaves behind for one outcome of the upload.
struct TActionRow {
  const char* Name;
  int Action;
  THostOutcome Host;
  Texts Files;     // in the work folder, besides the journal
  Texts Messages;  // after the preview's question, in order
  Texts Uploads;   // the files sent to the host
  Texts Journal;
  Texts Links;
  Texts Clipboard;  // each text put on the clipboard, in order
  Statuses Status;
};

void PrintTo(const TPreviewRow& row, std::ostream* out) { *out << row.Name; }
void PrintTo(const TActionRow& row, std::ostream* out) { *out << row.Name; }

const TPreviewRow kPreviews[] = {
    {"Automatic", TPreview::pvAutomatic, {}, true},
    {"AnsweredYes", TPreview::pvYes, {kQuestion}, true},
    // The editor is skipped, but the action still runs on the capture as it came.
    {"AnsweredNo", TPreview::pvNo, {kQuestion}, false},
};

// Actions 0 and 1 never reach the host, whatever it would answer.
const TActionRow kActions[] = {
    {"NothingHostTag", 0, THostOutcome::hoTag, {}, {}, {}, {}, {}, {}, {}},
    {"NothingHostNoTag", 0, THostOutcome::hoNoTag, {}, {}, {}, {}, {}, {}, {}},
    {"NothingHostFails", 0, THostOutcome::hoFailure, {}, {}, {}, {}, {}, {}, {}},
    {"SaveHostTag", 1, THostOutcome::hoTag, {"1.jpg"}, {kSaved1}, {}, {}, {}, {}, {}},
    {"SaveHostNoTag", 1, THostOutcome::hoNoTag, {"1.jpg"}, {kSaved1}, {}, {}, {}, {}, {}},
    {"SaveHostFails", 1, THostOutcome::hoFailure, {"1.jpg"}, {kSaved1}, {}, {}, {}, {}, {}},
    {"SaveAndUploadTag",
     2,
     THostOutcome::hoTag,
     {"1.jpg"},
     {kSaved1},
     {"@1.jpg"},
     kRedirects,
     {test::kHostTag},
     {std::string(test::kHostTag) + "\r\n"},
     kHosted},
    {"SaveAndUploadNoTag",
     2,
     THostOutcome::hoNoTag,
     {"1.jpg"},
     {kSaved1},
     {"@1.jpg"},
     {},
     {kNotFound},
     {kNotFound + "\r\n"},
     kRefused},
    // An upload that cannot start ends the tick in the error box.
    {"SaveAndUploadFails",
     2,
     THostOutcome::hoFailure,
     {"1.jpg"},
     {kSaved1, kCannotRead1},
     {"@1.jpg"},
     {},
     {},
     {},
     kUnread},
    // Hosted: the saved file goes.
    {"UploadOnlyTag",
     3,
     THostOutcome::hoTag,
     {},
     {kSaved1},
     {"@1.jpg"},
     kRedirects,
     {test::kHostTag},
     {std::string(test::kHostTag) + "\r\n"},
     kHosted},
    // Not hosted: the file is the only copy, so it stays and the user is told.
    {"UploadOnlyNoTag",
     3,
     THostOutcome::hoNoTag,
     {"1.jpg"},
     {kSaved1, kKept1},
     {"@1.jpg"},
     {},
     {kNotFound},
     {kNotFound + "\r\n"},
     kRefused},
    {"UploadOnlyFails",
     3,
     THostOutcome::hoFailure,
     {"1.jpg"},
     {kSaved1, kCannotRead1},
     {"@1.jpg"},
     {},
     {},
     {},
     kUnread},
};

class CaptureRowsTest : public CapturePipelineTest,
                        public ::testing::WithParamInterface<std::tuple<TPreviewRow, TActionRow>> {};

TEST_P(CaptureRowsTest, APressLeavesWhatTheActionAndTheAnswersSay) {
  const auto& [preview, row] = GetParam();
  desk_.auto_preview = preview.Preview == TPreview::pvAutomatic;
  if (preview.Preview == TPreview::pvYes) dialogs_.Script({mrYes});
  if (preview.Preview == TPreview::pvNo) dialogs_.Script({mrNo});
  desk_.action = row.Action;
  desk_.outcome = row.Host;

  PressAndTick();

  EXPECT_EQ(desk_.editor_shown, preview.Edited ? 1 : 0);
  Texts messages = preview.Asked;
  messages.insert(messages.end(), row.Messages.begin(), row.Messages.end());
  EXPECT_EQ(Messages(), InFolder(messages));
  EXPECT_EQ(FilesLeft(), row.Files);
  EXPECT_EQ(desk_.uploads, InFolder(row.Uploads));
  // Only the upload that deletes the file afterwards asks for the proof that
  // the host holds it.
  const TUploadCheck check = row.Action == 3 ? TUploadCheck::ucFetchBack : TUploadCheck::ucTag;
  EXPECT_EQ(desk_.checks, std::vector<TUploadCheck>(row.Uploads.size(), check));
  EXPECT_EQ(JournalLines(), row.Journal);
  EXPECT_EQ(desk_.links, row.Links);
  EXPECT_EQ(desk_.copies, row.Clipboard);
  EXPECT_EQ(desk_.statuses, row.Status);
  EXPECT_EQ(pipeline_.nomimage, row.Action > 0 ? work_ + "1.jpg" : "");

  // Nothing ticks while the capture is worked on, and the host gets the file
  // the save wrote.
  EXPECT_FALSE(desk_.timer_on_in_editor);
  EXPECT_FALSE(desk_.timer_on_in_upload);
  EXPECT_TRUE(desk_.file_there_at_upload);
  // The file holds the capture as the user left it: masked only when the
  // editor was shown.
  if (FileExists(work_ + "1.jpg")) {
    const QImage saved(QString::fromStdString(work_ + "1.jpg"), "JPEG");
    ASSERT_EQ(saved.size(), QSize(48, 32));
    EXPECT_NEAR(qGray(saved.pixel(4, 4)), preview.Edited ? 0 : 200, 12);
    EXPECT_NEAR(qGray(saved.pixel(40, 24)), 200, 12);
  }
}

INSTANTIATE_TEST_SUITE_P(PreviewActionHost, CaptureRowsTest,
                         ::testing::Combine(::testing::ValuesIn(kPreviews), ::testing::ValuesIn(kActions)),
                         [](const ::testing::TestParamInfo<CaptureRowsTest::ParamType>& row) {
                           return std::string(std::get<0>(row.param).Name) + "_" + std::get<1>(row.param).Name;
                         });

TEST_F(CapturePipelineTest, KeyUpOpensNoClipboardAndNeverPausesTheWatch) {
  OfferCapture();
  pipeline_.UtilisationGetKeyState();
  EXPECT_EQ(key_.KeyChecks(), 1);
  EXPECT_EQ(clipboard_.OpenCalls(), 0);
  EXPECT_EQ(desk_.timer_pauses, 0);
  EXPECT_EQ(desk_.picture.Graphic(), nullptr);
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(CapturePipelineTest, KeyDownWithOnlyTextShowsNothingAndTheNextTickTriesAgain) {
  constexpr uint32_t kText = 1;
  clipboard_.Add(kText);
  key_.SetDown(true);
  pipeline_.UtilisationGetKeyState();
  EXPECT_EQ(desk_.editor_shown, 0);
  EXPECT_EQ(desk_.picture.Graphic(), nullptr);
  EXPECT_TRUE(dialogs_.Shown().empty());
  EXPECT_EQ(clipboard_.OpenCalls(), 1);
  EXPECT_EQ(clipboard_.CloseCalls(), 1);

  // The key is still down when the picture arrives.
  clipboard_.Add(CF_BITMAP, test::DistinctImage(40, 30));
  desk_.auto_preview = false;
  dialogs_.Script({mrNo});
  pipeline_.UtilisationGetKeyState();
  auto* capture = dynamic_cast<TBitmap*>(desk_.picture.Graphic());
  ASSERT_NE(capture, nullptr);
  test::ExpectPixels(*capture, test::DistinctColor);
}

TEST_F(CapturePipelineTest, AVectorPictureListedFirstStillGivesTheEditorTheBitmap) {
  TClipboardMetafile drawing;
  drawing.MimeType = "image/svg+xml";
  drawing.Bytes = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>";
  drawing.Right = drawing.Bottom = 10;
  clipboard_.Add(CF_ENHMETAFILE, drawing);
  clipboard_.Add(CF_BITMAP, test::DistinctImage(40, 30));
  desk_.auto_preview = false;
  dialogs_.Script({mrNo});
  key_.Press();
  pipeline_.UtilisationGetKeyState();
  auto* capture = dynamic_cast<TBitmap*>(desk_.picture.Graphic());
  ASSERT_NE(capture, nullptr);
  test::ExpectPixels(*capture, test::DistinctColor);
}

TEST_F(CapturePipelineTest, AMinimisedWindowIsRestoredBeforeTheEditorShows) {
  desk_.minimised = true;
  PressAndTick();
  EXPECT_EQ(desk_.editor_shown, 1);
  EXPECT_FALSE(desk_.minimised_in_editor);
}

TEST_F(CapturePipelineTest, CapturesTakeTheLowestFreeNumberAtTheWindowsQuality) {
  desk_.action = 1;
  desk_.quality = 40;
  desk_.auto_preview = false;
  dialogs_.Script({mrNo, mrNo});
  folder_.WriteFile("2.jpg", "x");
  PressAndTick();
  PressAndTick();
  EXPECT_EQ(FilesLeft(), (Texts{"1.jpg", "2.jpg", "3.jpg"}));
  EXPECT_EQ(pipeline_.nomimage, work_ + "3.jpg");
  EXPECT_EQ(Messages(), InFolder({kQuestion, kSaved1, kQuestion,
                                  "Image Sauvegard\xE9"
                                  "e sous le nom @3.jpg"}));
  // Byte for byte the capture's JPEG at quality 40.
  const std::string expected = folder_.Path() + "expected.jpg";
  SaveCaptureAsJpeg(desk_.picture, 40, expected);
  EXPECT_EQ(test::ReadWholeFile(work_ + "3.jpg"), test::ReadWholeFile(expected));
}

TEST_F(CapturePipelineTest, AJournalThatCannotBeWrittenIsReportedAndTheTagStillComes) {
  journal_.Close();
  desk_.action = 3;
  PressAndTick();
  EXPECT_EQ(Messages(), InFolder({kSaved1, "Fichier non ouvert", "Fichier non ouvert"}));
  // These boxes open inside the upload, with the clipboard still held: only
  // an error that ends the tick comes after its release.
  clipboard_held_in_error_box_ = false;
  EXPECT_EQ(desk_.links, (Texts{test::kHostTag}));
  EXPECT_EQ(desk_.statuses, kHosted);
  // Hosted all the same: the file goes.
  EXPECT_TRUE(FilesLeft().empty());
}

// Each way a tick can fail before the upload: the error ends the tick, shown
// once the clipboard is released and while the timer is off (the fixture
// checks both), and the watch runs again afterwards.
struct TFailingTick {
  const char* Name;
  std::function<void(CapturePipelineTest&, TScriptedClipboardDevice&, std::string& work)> Arrange;
  int EditorShown;
  std::string Error;  // the start of the error box's text
};

void PrintTo(const TFailingTick& tick, std::ostream* out) { *out << tick.Name; }

class FailingTickTest : public CapturePipelineTest, public ::testing::WithParamInterface<TFailingTick> {};

TEST_P(FailingTickTest, ShowsTheErrorAndLeavesTheWatchRunning) {
  desk_.action = 3;
  key_.Press();
  GetParam().Arrange(*this, clipboard_, work_);
  pipeline_.UtilisationGetKeyState();
  ASSERT_EQ(dialogs_.Errors().size(), 1u);
  EXPECT_EQ(dialogs_.Errors()[0].substr(0, GetParam().Error.size()), GetParam().Error);
  EXPECT_EQ(desk_.editor_shown, GetParam().EditorShown);
  EXPECT_TRUE(desk_.uploads.empty());
  EXPECT_TRUE(key_.Started());
  EXPECT_TRUE(FilesLeft().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailingTickTest,
    ::testing::Values(TFailingTick{"ClipboardCannotBeOpened",
                                   [](CapturePipelineTest& test, TScriptedClipboardDevice& clipboard, std::string&) {
                                     test.OfferCapture();
                                     clipboard.SetOpenFails(true);
                                   },
                                   0, "Impossible d'ouvrir le Presse-papiers"},
                      TFailingTick{"BitmapListedWithoutData",
                                   [](CapturePipelineTest&, TScriptedClipboardDevice& clipboard, std::string&) {
                                     clipboard.Add(CF_BITMAP);
                                   },
                                   0, "Format de Presse-papiers non support\xE9"},
                      // A picture that cannot be a capture is told, where text is passed
                      // over in silence.
                      TFailingTick{"VectorPictureWithoutBitmap",
                                   [](CapturePipelineTest&, TScriptedClipboardDevice& clipboard, std::string&) {
                                     TClipboardMetafile drawing;
                                     drawing.MimeType = "image/svg+xml";
                                     drawing.Bytes = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>";
                                     drawing.Right = drawing.Bottom = 10;
                                     clipboard.Add(CF_ENHMETAFILE, drawing);
                                   },
                                   0, kVectorPictureOnlyText},
                      // Start-up could not settle the work folder: nothing is written, not
                      // even in the folder the program was started from.
                      TFailingTick{"NoWorkFolder",
                                   [](CapturePipelineTest& test, TScriptedClipboardDevice&, std::string& work) {
                                     test.OfferCapture();
                                     std::filesystem::current_path(work);
                                     work.clear();
                                   },
                                   1, kNoWorkFolderError},
                      TFailingTick{"SaveCannotCreateTheFile",
                                   [](CapturePipelineTest& test, TScriptedClipboardDevice&, std::string& work) {
                                     test.OfferCapture();
                                     work += "absent/";
                                   },
                                   1,
                                   "Impossible de cr\xE9"
                                   "er le fichier \""}),
    [](const ::testing::TestParamInfo<TFailingTick>& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace vitrix
