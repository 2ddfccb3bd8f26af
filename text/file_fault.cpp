// file_fault.cpp — counts file operations and fails the chosen ones, for fault-injection tests.
#include "file_fault.h"

#include <cerrno>

#include "file_system.h"

namespace peltatxt::fs {
namespace {
long countdown = 0;    // counted operations until the first failure; 0: none armed
long run_left = 0;     // failures still to come once started; -1: every operation from then on
bool started = false;  // the countdown has run out
long counted = 0;
int last = 0;
}  // namespace

long fail_operations(long k, long count) noexcept {
    long n = counted;
    counted = 0;
    countdown = k;
    run_left = count;
    started = false;
    return n;
}

long fail_operation(long k, bool persistent) noexcept { return fail_operations(k, persistent ? -1 : 1); }

int last_error() noexcept { return last; }
void set_last_error(int error) noexcept { last = error; }

namespace detail {
bool operation_fails() noexcept {
    ++counted;
    if (!started) {
        if (countdown <= 0 || --countdown > 0) return false;
        started = true;
    }
    if (run_left == 0) return false;
    if (run_left > 0) --run_left;
    last = EIO;
    return true;
}
}  // namespace detail

}  // namespace peltatxt::fs
