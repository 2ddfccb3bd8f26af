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

std::string read_stdin() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, stdin);
        bytes.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(stdin))
        throw Failure(std::string(kStdinName) + ": cannot read: " + std::generic_category().message(errno ? errno : EIO));
    return bytes;
}

}  // namespace

InputFile::InputFile(const std::string& argument) : path_(argument), name_(argument) {
    if (!is_dash(argument)) return;
    std::string bytes = read_stdin();
    spool_ = std::make_unique<TempDir>();
    path_ = spool_->file("standard-input");
    name_ = kStdinName;
    named([&] { write_file(path_, bytes); });
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
