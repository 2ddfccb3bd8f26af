// streams.cpp — reading standard input into a temporary file, and writing outputs to a file or standard output.
#include "streams.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "failure.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace peltatxt::cli {
namespace {

constexpr const char* kStdinName = "standard input";

}  // namespace

InputFile::InputFile(const std::string& argument) : InputFile(argument, stdin, kMaxTextInputBytes) {}

InputFile::InputFile(const std::string& argument, std::FILE* in, std::size_t limit) : path_(argument), name_(argument) {
    if (!is_dash(argument)) return;
#if defined(_WIN32)
    if (in == stdin) _setmode(_fileno(stdin), _O_BINARY);
#endif
    spool_ = std::make_unique<TempDir>();
    path_ = spool_->file("standard-input");
    name_ = kStdinName;
    named([&] { spool_to_file(in, name_, path_, limit); });
}

Failure InputFile::renamed(const Failure& failure) const {
    std::string message = failure.what();
    if (spool_)
        for (std::size_t at = message.find(path_); at != std::string::npos; at = message.find(path_, at))
            message.replace(at, path_.size(), name_);
    return Failure(message);
}

void write_output(const std::string& output, std::string_view bytes, std::ostream& out) {
    if (!output.empty() && !is_dash(output)) {
        write_file(output, bytes);
        return;
    }
    out.flush();
#if defined(_WIN32)
    if (&out == &std::cout) _setmode(_fileno(stdout), _O_BINARY);
#endif
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) throw Failure("standard output: cannot write");
}

}  // namespace peltatxt::cli
