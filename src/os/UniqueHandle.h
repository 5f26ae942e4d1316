#pragma once
// A kernel object's handle (a file, a process, a mutex ...) closed on every path.
// Handles are kept as void* so that this header does not pull in <windows.h>.
namespace quorvel::os {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    // Takes `handle`; null and INVALID_HANDLE_VALUE both mean none.
    explicit UniqueHandle(void* handle) { reset(handle); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Closes the handle held (if any) and takes `handle`.
    void reset(void* handle = nullptr);
    // Gives the handle up without closing it.
    void* release() {
        void* handle = handle_;
        handle_ = nullptr;
        return handle;
    }

  private:
    void* handle_ = nullptr;
};

}  // namespace quorvel::os
