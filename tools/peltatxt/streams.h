// streams.h — "-" as a file argument: standard input spooled to a private temporary file, standard output.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "failure.h"
#include "file_reads.h"
#include "file_saves.h"
#include "sink.h"
#include "temp_dir.h"

namespace peltatxt::cli {

// The argument that names standard input or standard output.
inline bool is_dash(const std::string& argument) { return argument == "-"; }

// An input file as the user named it. "-" is standard input: a fresh temporary directory is made
// first (so that a missing one is named before anything is read), then standard input is copied
// into a file there as it comes, up to kMaxTextInputBytes (the plug-in reads files, never
// streams), and from then on handled like any file; messages name it "standard input".
class InputFile {
public:
    explicit InputFile(const std::string& argument);
    // The same with in for standard input, and at most limit bytes of it (for tests).
    InputFile(const std::string& argument, std::FILE* in, std::size_t limit);
    // The file to read.
    const std::string& path() const { return path_; }
    // The file as messages name it.
    const std::string& name() const { return name_; }
    bool from_stdin() const { return spool_ != nullptr; }

    // Runs f(); a failure whose message names the spooled file names "standard input" instead.
    template <class F>
    auto named(F&& f) const -> decltype(f()) {
        try {
            return f();
        } catch (const Failure& failure) {
            throw renamed(failure);
        }
    }

private:
    Failure renamed(const Failure& failure) const;
    std::unique_ptr<TempDir> spool_;
    std::string path_, name_;
};

// A text written a piece at a time to output: a file, or standard output (out) when output is
// "-" or empty. Bytes go out unchanged (no line-break translation on Windows). Pieces are
// gathered up to 1 MiB and passed on; the file is opened with the first of them and saved by
// finish(), so that it replaces the previous file only when complete. A failure names the file,
// or "standard output".
class Output : public Sink {
public:
    Output(const std::string& output, std::ostream& out);
    void write(std::string_view bytes) override;
    void finish();

private:
    void pass_on();
    std::string path_;                  // empty: standard output
    std::unique_ptr<FileWriter> file_;
    std::ostream& out_;
    std::string pending_;
};

}  // namespace peltatxt::cli
