// gtest-port.h — GoogleTest without threads for the Windows test builds (see tests/CMakeLists.txt).
//
// No test here starts a thread. Thread-safe GoogleTest on Windows starts one for every thread that
// touches its thread-local state (a SCOPED_TRACE, a failure, a skip) to watch for that thread's
// end, and Wine run through qemu-user (on machines whose kernel runs no 32-bit programs) crashes
// or hangs now and then once a 32-bit program has a second thread. Single-threaded GoogleTest
// still needs the handle owner its Windows death tests use, which it declares only when
// thread-safe: declared here, defined in auto_handle.cc.
#pragma once

#if defined(_WIN32)
#define GTEST_IS_THREADSAFE 0

namespace testing {
namespace internal {

class AutoHandle {
public:
    typedef void* Handle;  // HANDLE, without <windows.h> in every test
    AutoHandle();
    explicit AutoHandle(Handle handle);
    ~AutoHandle();
    AutoHandle(const AutoHandle&) = delete;
    AutoHandle& operator=(const AutoHandle&) = delete;

    Handle Get() const;
    void Reset();
    void Reset(Handle handle);

private:
    bool IsCloseable() const;
    Handle handle_;
};

}  // namespace internal
}  // namespace testing
#endif
