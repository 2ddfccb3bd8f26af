// file_saves.h — the tool's outputs, saved as the plug-in saves its exports: the new file replaces the old only when complete.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace peltatxt::fs {
class AtomicFile;
}

namespace peltatxt::cli {

// Creates or replaces a file with bytes, through the plug-in's own save (AtomicFile, stated in
// fs/atomic_file.h). Fails naming the real cause (no space left, permission denied, read-only, ...).
void write_file(const std::string& path, std::string_view bytes);

// A file written a piece at a time and saved as write_file saves it: only when commit() completes
// does the new file take the place of what was there; until then, and after a failure, the
// previous file is as it was. Fails naming the cause, as write_file does.
class FileWriter {
public:
    explicit FileWriter(const std::string& path);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail() const;
    std::string path_;
    std::unique_ptr<fs::AtomicFile> file_;
};

}  // namespace peltatxt::cli
