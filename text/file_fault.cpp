// file_fault.cpp — counts file operations and fails the chosen ones, for fault-injection tests.
#include "file_fault.h"

#include "file_system.h"

namespace peltatxt::fs {
namespace {
long countdown = 0;
bool keep_failing = false;
bool failing = false;
long counted = 0;
}  // namespace

long fail_operation(long k, bool persistent) noexcept {
    long n = counted;
    counted = 0;
    countdown = k;
    keep_failing = persistent;
    failing = false;
    return n;
}

namespace detail {
bool operation_fails() noexcept {
    ++counted;
    if (failing) return true;
    if (countdown > 0 && --countdown == 0) {
        failing = keep_failing;
        return true;
    }
    return false;
}
}  // namespace detail

}  // namespace peltatxt::fs
