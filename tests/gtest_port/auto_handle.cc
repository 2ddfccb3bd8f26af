// auto_handle.cc — the handle owner of single-threaded GoogleTest's Windows death tests.
#include <windows.h>

#include "gtest/internal/custom/gtest-port.h"

namespace testing {
namespace internal {

AutoHandle::AutoHandle() : handle_(INVALID_HANDLE_VALUE) {}
AutoHandle::AutoHandle(Handle handle) : handle_(handle) {}
AutoHandle::~AutoHandle() { Reset(); }
AutoHandle::Handle AutoHandle::Get() const { return handle_; }
void AutoHandle::Reset() { Reset(INVALID_HANDLE_VALUE); }

void AutoHandle::Reset(Handle handle) {
    if (handle_ == handle) return;
    if (IsCloseable()) ::CloseHandle(handle_);
    handle_ = handle;
}

// Windows calls use either value for "no handle".
bool AutoHandle::IsCloseable() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

}  // namespace internal
}  // namespace testing
