// measure.cpp — a monotonic clock and resident-memory readings from /proc/self (getrusage elsewhere).
#include "measure.h"

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <string>

namespace peltatxt::bench {
namespace {

// A "Name:   1234 kB" line of /proc/self/status, in bytes; 0 when absent.
uint64_t status_field(const char* name) {
    std::ifstream in("/proc/self/status");
    std::string key;
    uint64_t kb = 0;
    while (in >> key) {
        if (key == name) {
            in >> kb;
            return kb * 1024;
        }
        in.ignore(1 << 16, '\n');
    }
    return 0;
}

}  // namespace

double now_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double cpu_seconds() {
    // The process clock counts to the nanosecond; getrusage's split into user and system time is
    // only as fine as the scheduler tick, too coarse for runs of a few milliseconds.
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

uint64_t resident_bytes() { return status_field("VmRSS:"); }

uint64_t peak_resident_bytes() {
    if (uint64_t hwm = status_field("VmHWM:")) return hwm;
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<uint64_t>(ru.ru_maxrss) * 1024;  // kilobytes on Linux
}

bool reset_peak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5\n";  // resets the peak resident size to the current one
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace peltatxt::bench
