// failure.h — the one way the tool fails: a one-line message naming the file, and the exit statuses.
#pragma once

#include <stdexcept>
#include <string>

namespace peltatxt::cli {

// Exit statuses: 0 success; 1 `check` found records that did not come back; 2 anything wrong
// with the input, the plug-in, the output or the command line.
constexpr int kExitOk = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;

// A failure the user can act on. The message is one line, "FILE: what is wrong"; main prefixes
// the program name and prints it on stderr.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace peltatxt::cli
