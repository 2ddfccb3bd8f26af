// posix_call.h — calling the POSIX file system: the one retry on EINTR.
#pragma once

#include <cerrno>

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

}  // namespace peltatxt::fs::detail
