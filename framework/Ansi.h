#pragma once

// The program's 8-bit texts are in the ANSI code page, Windows-1252
// (framework-internal conversions for display).

#include <string>
#include <string_view>

#include <QString>

namespace afx {

// Plain conversion; control characters stay as they are (message texts keep
// their line feeds).
QString AnsiToQString(std::string_view text);
// For one line of a list: control bytes (0x00-0x1F, 0x7F) and the code page's
// unassigned bytes show as U+FFFD, so that a row never breaks or grows.
QString AnsiToDisplayLine(std::string_view text);
// Back to the code page; characters it lacks become '?'.
std::string QStringToAnsi(const QString& text);

}  // namespace afx
