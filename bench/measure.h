// measure.h — wall-clock time and the process's resident memory, as the benchmarks read them.
#pragma once

#include <cstdint>

namespace peltatxt::bench {

// Seconds from a fixed point, monotonic.
double now_seconds();
// Processor seconds (user and system together) the process has used so far.
double cpu_seconds();

// Resident memory now and its high-water mark, in bytes (Linux: /proc/self/status; elsewhere the
// high-water mark from getrusage and 0 for the current size).
uint64_t resident_bytes();
uint64_t peak_resident_bytes();

// Starts a new high-water mark at the current resident size. False where the system cannot; the
// mark then keeps counting from the start of the process.
bool reset_peak();

}  // namespace peltatxt::bench
