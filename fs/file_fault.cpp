// file_fault.cpp — counts file operations and fails the chosen ones, for fault-injection tests (test variant only).
#include "file_fault.h"

#include "cause.h"
#include "file_system.h"

namespace peltatxt::fs {
namespace {
long countdown = 0;    // counted operations until the first failure; 0: none armed
long run_left = 0;     // failures still to come once started; -1: every operation from then on
bool started = false;  // the countdown has run out
long counted = 0;
constexpr int kMaxPositions = 4;
long positions[kMaxPositions] = {};  // further single failures, by count since the last call
int position_count = 0;
bool unnamed_allowed = true;
}  // namespace

long fail_operations_at(const long* at, int count) noexcept {
    long n = fail_operations(0, 0);
    position_count = count < kMaxPositions ? count : kMaxPositions;
    for (int i = 0; i < position_count; ++i) positions[i] = at[i];
    return n;
}

long fail_operations(long k, long count) noexcept {
    long n = counted;
    counted = 0;
    countdown = k;
    run_left = count;
    started = false;
    position_count = 0;
    return n;
}

long fail_operation(long k, bool persistent) noexcept { return fail_operations(k, persistent ? -1 : 1); }

bool use_unnamed_temporaries(bool on) noexcept {
    bool was = unnamed_allowed;
    unnamed_allowed = on;
    return was;
}

namespace detail {
bool operation_fails(std::error_code& ec) noexcept {
    ++counted;
    for (int i = 0; i < position_count; ++i)
        if (positions[i] == counted) return !failed_with(ec, EIO);
    if (!started) {
        if (countdown <= 0 || --countdown > 0) return false;
        started = true;
    }
    if (run_left == 0) return false;
    if (run_left > 0) --run_left;
    return !failed_with(ec, EIO);
}

bool unnamed_temporaries_allowed() noexcept { return unnamed_allowed; }
}  // namespace detail

}  // namespace peltatxt::fs
