#include "platform/qt_text.h"

#include "rtl/cp1252.h"

namespace vitrix {

QString ToQString(std::string_view cp1252) { return QString::fromStdString(Cp1252ToUtf8(cp1252)); }

std::string FromQString(const QString& text) { return Utf8ToCp1252Lossy(text.toStdString()); }

}  // namespace vitrix
