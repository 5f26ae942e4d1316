#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace quorvel::platform {

LocalDateTime Win32Clock::Now() const {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return LocalDateTime{local.wYear, local.wMonth,  local.wDay,
                         local.wHour, local.wMinute, local.wSecond};
}

}  // namespace quorvel::platform
