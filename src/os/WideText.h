#pragma once
// The program's text is UTF-8; the Windows calls that take names and paths are the
// UTF-16 (W) ones, so that every name survives the trip whatever the ANSI code page.
#include <string>
#include <string_view>

namespace quorvel::os {

// UTF-8 to UTF-16; false when `utf8` is not valid UTF-8.
bool Widen(std::string_view utf8, std::wstring& out);
// UTF-16 to UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string Narrow(std::wstring_view utf16);
// The system's text for an error code (GetLastError), without the line end.
std::string SystemMessage(unsigned long code);

}  // namespace quorvel::os
