#pragma once

// The text boundary with the toolkit: every text inside the program is
// Windows-1252; Qt wants Unicode.

#include <QString>
#include <string>
#include <string_view>

namespace vitrix {

QString ToQString(std::string_view cp1252);
// Characters that Windows-1252 cannot hold become '?': for texts the user typed
// or the toolkit made, which are shown or copied again but never name a file.
std::string FromQString(const QString& text);

}  // namespace vitrix
