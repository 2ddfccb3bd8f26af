// posix_call.h — calling the POSIX file system: the one retry on EINTR, and a failure's cause recorded in one way.
#pragma once

#include <cerrno>

#include "file_system.h"

namespace peltatxt::fs::detail {

// Calls call() again for as long as it fails with EINTR (a signal came before it did anything);
// its last result.
template <class Call>
auto retry_on_eintr(Call call) {
    for (;;) {
        auto result = call();
        if (!(result < 0 && errno == EINTR)) return result;
    }
}

// Records errno as the cause of a failure and returns false.
inline bool failed() noexcept { return failed_with(errno); }

}  // namespace peltatxt::fs::detail
