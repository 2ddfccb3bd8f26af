// console.h — standard output and error on a Windows console, written as UTF-16 so that every character shows.
#pragma once

#include <memory>
#include <streambuf>

namespace peltatxt::cli {

// For the whole run of the tool (one, made first in main): on Windows, where standard output or
// standard error is a console, std::cout and std::cerr write to it with WriteConsoleW, their
// UTF-8 turned into UTF-16, so that the text shows as written whatever the console's code page
// (which is left as it is). Files and pipes get the UTF-8 bytes unchanged, as on every other
// platform, where this does nothing. When it ends, what is pending is written and the streams
// get their own buffers back.
class ConsoleStreams {
public:
    ConsoleStreams();
    ~ConsoleStreams();
    ConsoleStreams(const ConsoleStreams&) = delete;
    ConsoleStreams& operator=(const ConsoleStreams&) = delete;

private:
    std::unique_ptr<std::streambuf> out_, err_;
    std::streambuf* saved_out_ = nullptr;
    std::streambuf* saved_err_ = nullptr;
};

}  // namespace peltatxt::cli
