#pragma once
#include <cstdint>

namespace quorvel::platform {

// A window handle, of the program's own windows and of other programs'. Win32 handles
// are significant in their low 32 bits (sign-extended on 64-bit Windows); X11 window
// ids fit in 29 bits.
using Hwnd = std::uintptr_t;

}  // namespace quorvel::platform
