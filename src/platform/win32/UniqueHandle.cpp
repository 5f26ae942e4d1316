#include "platform/win32/UniqueHandle.h"

#include <windows.h>

namespace quorvel::platform {

void UniqueHandle::reset(void* handle) {
    if (handle_) CloseHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace quorvel::platform
