// child_process.h — a program run in a child process of its own with its output captured, so that a test can stop it, time it and run it as another user (POSIX).
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "support/temp_dir.h"

namespace peltatxt::testing {

// How a run ended and what it wrote.
struct ProcessRun {
    int status = -1;  // exit status; 128 + signal number when the program was killed by a signal
    std::string out, err;
};

// Starts program with args, standard input from /dev/null and standard output and error into
// files; a child still running when the object goes is killed.
class ChildProcess {
public:
    struct Options {
        std::vector<std::pair<std::string, std::string>> env;  // set in the child
        bool as_nobody = false;                                // the child drops to user and group 65534
    };
    ChildProcess(const std::string& program, const std::vector<std::string>& args, const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int sig) const;
    // Waits at most limit for the program to end; false when it did not (it is then killed when
    // the object goes). After true, run() holds its status and output.
    bool wait(std::chrono::milliseconds limit = std::chrono::seconds(10));
    const ProcessRun& run() const { return run_; }

private:
    TempDir capture_;
    std::string out_, err_;
    pid_t pid_ = -1;
    bool done_ = false;
    ProcessRun run_;
};

}  // namespace peltatxt::testing
