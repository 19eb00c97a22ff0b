#pragma once

// The program's icon, compiled in from data/vitrix.svg: the windows' icon,
// which window managers show in title bars and task lists.

#include <QIcon>

namespace vitrix {

// The icon drawn at the usual sizes of title bars and task lists; an empty
// icon if the compiled-in picture cannot be read.
QIcon ProgramIcon();

}  // namespace vitrix
