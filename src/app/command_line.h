#pragma once

// The command line. vitrix is a window program: it takes no file or other
// argument, only a few options that print something and end the program at
// once, before any window, journal or X connection exists. Each option is one
// row of a table in command_line.cpp.

#include <string>
#include <string_view>

#include "platform/x11_display.h"

namespace vitrix {

enum class TStartAction {
  saRun,         // no argument: start the program
  saHelp,        // print the help on standard output, end with status 0
  saVersion,     // print the version on standard output, end with status 0
  saUsageError,  // print the error on standard error, end with kExitUsage
};

struct TStartRequest {
  TStartAction Action = TStartAction::saRun;
  std::string Text;  // what to print, in Windows-1252; empty for saRun
};

// The exit statuses of a start that does not get as far as the windows.
inline constexpr int kExitNoDisplay = 1;
inline constexpr int kExitUsage = 2;

// What the arguments after the program's name ask for. The first option
// decides; an argument that is no option of the table is an error.
TStartRequest ParseCommandLine(int argc, const char* const* argv);

// The line said (on standard error) when the program has no X display to run
// on, display being the value of DISPLAY.
std::string NoDisplayMessage(TXDisplayState state, std::string_view display);

}  // namespace vitrix
