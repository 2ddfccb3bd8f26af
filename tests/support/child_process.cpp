// child_process.cpp — fork, redirect, drop privileges and exec; wait with a limit, then read the captured output.
#include "support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/files.h"

namespace peltatxt::testing {

constexpr uid_t kNobody = 65534;

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const Options& options) {
    out_ = capture_ / "out";
    err_ = capture_ / "err";
    ::chmod(capture_.path().c_str(), 0777);
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) ::_exit(120);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (const auto& [name, value] : options.env) ::setenv(name.c_str(), value.c_str(), 1);
        if (options.as_nobody && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(121);
        std::vector<std::string> argv_strings{program};
        argv_strings.insert(argv_strings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argv_strings) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(122);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !done_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::signal(int sig) const { ::kill(pid_, sig); }

bool ChildProcess::wait(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) break;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    done_ = true;
    run_.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    run_.out = read_bytes(out_);
    run_.err = read_bytes(err_);
    return true;
}

}  // namespace peltatxt::testing
