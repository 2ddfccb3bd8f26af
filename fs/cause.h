// cause.h — how the file layer's operations give a failure's cause (the model is stated in file_system.h).
#pragma once

#include <cerrno>
#include <system_error>

namespace peltatxt::fs::detail {

// The errno value error as a cause; EIO for 0 (a call that failed without saying why).
inline std::error_code cause_of(int error) noexcept { return {error ? error : EIO, std::generic_category()}; }

// Sets ec to the cause error (see cause_of) and returns false.
inline bool failed_with(std::error_code& ec, int error) noexcept {
    ec = cause_of(error);
    return false;
}

// Sets ec to the system's error for the call that has just failed and returns false: errno on
// POSIX, GetLastError() mapped to an errno value (errno_of) on Windows.
#if defined(_WIN32)
bool failed(std::error_code& ec) noexcept;
// The errno value that stands for a Windows error code (EIO where none fits).
int errno_of(unsigned long error) noexcept;
#else
inline bool failed(std::error_code& ec) noexcept { return failed_with(ec, errno); }
#endif

}  // namespace peltatxt::fs::detail
