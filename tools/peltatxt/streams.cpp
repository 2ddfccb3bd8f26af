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

constexpr std::size_t kOutputPiece = std::size_t{1} << 20;

Output::Output(const std::string& output, std::ostream& out) : out_(out) {
    if (!output.empty() && !is_dash(output)) {
        path_ = output;
        return;
    }
    out_.flush();
#if defined(_WIN32)
    if (&out_ == &std::cout) _setmode(_fileno(stdout), _O_BINARY);
#endif
}

void Output::write(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() >= kOutputPiece) pass_on();
}

void Output::pass_on() {
    if (!path_.empty()) {
        // Opened with the first piece: what goes wrong with the input is found first.
        if (!file_) file_ = std::make_unique<FileWriter>(path_);
        file_->write(pending_);
    } else {
        out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
        if (!out_) throw Failure("standard output: cannot write");
    }
    pending_.clear();
}

void Output::finish() {
    pass_on();
    if (file_) return file_->commit();  // opened by pass_on when there is a path
    out_.flush();
    if (!out_) throw Failure("standard output: cannot write");
}

}  // namespace peltatxt::cli
