#pragma once
// The one place where the windows' text meets the program's stored text.
//
// Everything below the windows (the settings store, the data file, the session log,
// the notes) keeps text as bytes in the system's 8-bit encoding: UTF-8 on Linux, the
// ANSI code page on Windows, as the registry's "A" functions use it. Windows hold
// Unicode. Every conversion between the two goes through these two functions, so a
// currency sign chosen in the control panel reads the same on the timer window and on
// the login screen, and a password typed here matches the one typed there.
#include <QString>
#include <string>

namespace quorvel::ui {

// Stored text as the windows show it.
QString FromStored(const std::string& text);
// A window's text as it is stored. A character the encoding has no byte for (only
// possible with the Windows code pages) is stored as '?'.
std::string ToStored(const QString& text);

}  // namespace quorvel::ui
