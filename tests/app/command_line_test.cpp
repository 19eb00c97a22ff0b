// The command line: what each argument list asks for and the texts said. The
// real program's exits, outputs and silence in the journal are checked by
// tests/app/command_line_test.sh.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <string>
#include <vector>

#include "app/program_icon.h"

namespace vitrix {
namespace {

// The arguments after the program's name.
TStartRequest Parse(const std::vector<const char*>& arguments) {
  std::vector<const char*> argv{"vitrix"};
  for (const char* argument : arguments) argv.push_back(argument);
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

struct TParseRow {
  const char* Name;
  std::vector<const char*> Arguments;
  TStartAction Expected;
};

class CommandLineRows : public testing::TestWithParam<TParseRow> {};

TEST_P(CommandLineRows, TheFirstArgumentDecides) { EXPECT_EQ(Parse(GetParam().Arguments).Action, GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineRows,
    testing::Values(TParseRow{"None", {}, TStartAction::saRun}, TParseRow{"Help", {"--help"}, TStartAction::saHelp},
                    TParseRow{"ShortHelp", {"-h"}, TStartAction::saHelp},
                    TParseRow{"Version", {"--version"}, TStartAction::saVersion},
                    TParseRow{"ShortVersion", {"-V"}, TStartAction::saVersion},
                    TParseRow{"VersionBeforeUnknown", {"--version", "--bogus"}, TStartAction::saVersion},
                    TParseRow{"UnknownBeforeHelp", {"--bogus", "--help"}, TStartAction::saUsageError},
                    TParseRow{"OptionWithValue", {"--help=yes"}, TStartAction::saUsageError},
                    TParseRow{"LowerCaseV", {"-v"}, TStartAction::saUsageError},
                    TParseRow{"DoubleDash", {"--"}, TStartAction::saUsageError},
                    TParseRow{"SingleDash", {"-"}, TStartAction::saUsageError},
                    TParseRow{"FileName", {"capture.png"}, TStartAction::saUsageError},
                    TParseRow{"Empty", {""}, TStartAction::saUsageError}),
    [](const testing::TestParamInfo<TParseRow>& row) { return std::string(row.param.Name); });

TEST(CommandLine, ErrorsNameTheArgumentInTheProgramsEncoding) {
  // "é" arrives from the terminal as UTF-8 and is said in Windows-1252.
  EXPECT_EQ(Parse({"--cl\xC3\xA9"}).Text,
            "vitrix : option inconnue \xAB --cl\xE9 \xBB\n"
            "Essayez \xAB vitrix --help \xBB pour en savoir plus.\n");
  const std::string text = Parse({"photo.png"}).Text;
  EXPECT_EQ(text.substr(0, text.find('\n')), "vitrix : argument inattendu \xAB photo.png \xBB");
}

TEST(CommandLine, HelpListsEveryOptionAndTheBuiltInHost) {
  const std::string help = Parse({"--help"}).Text;
  for (const char* piece : {"-h, --help", "-V, --version", "VITRIX_SERVICE_URL", "X11 ou XWayland"}) {
    EXPECT_NE(help.find(piece), std::string::npos) << piece;
  }
  EXPECT_EQ(Parse({"--version"}).Text.rfind("vitrix " VITRIX_VERSION "\n", 0), 0u);
}

TEST(CommandLine, NoDisplayIsOneLineThatSaysWhatIsNeeded) {
  EXPECT_EQ(NoDisplayMessage(TXDisplayState::xdUnset, ""),
            "vitrix : aucun affichage X (DISPLAY n'est pas d\xE9"
            "fini) ; "
            "vitrix a besoin d'une session X11 ou XWayland.\n");
  EXPECT_EQ(NoDisplayMessage(TXDisplayState::xdUnreachable, ":7"),
            "vitrix : l'affichage X \xAB :7 \xBB ne r\xE9pond pas ; vitrix a besoin d'une session X11 ou XWayland.\n");
}

TEST(ProgramIcon, IsDrawnAtTitleBarAndTaskListSizes) {
  const QIcon icon = ProgramIcon();
  ASSERT_FALSE(icon.isNull()) << "the compiled-in icon is missing";
  for (const int size : {16, 32, 128}) {
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  }
  // Opaque in the middle (the captured window), transparent in the corner.
  const QImage image = icon.pixmap(QSize(64, 64)).toImage();
  EXPECT_EQ(qAlpha(image.pixel(32, 32)), 255);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

}  // namespace
}  // namespace vitrix
