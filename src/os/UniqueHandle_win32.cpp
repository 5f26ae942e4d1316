#include "os/UniqueHandle.h"

#include <windows.h>

namespace quorvel::os {

void UniqueHandle::reset(void* handle) {
    if (handle_) CloseHandle(handle_);
    handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace quorvel::os
