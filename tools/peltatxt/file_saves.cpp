// file_saves.cpp — saving the tool's outputs through the file layer's atomic save, failures named by their cause.
#include "file_saves.h"

#include "failure.h"
#include "file_causes.h"
#include "file_names.h"
#include "fs/atomic_file.h"

namespace peltatxt::cli {

void write_file(const std::string& path, std::string_view bytes) {
    std::u16string target = utf16_path(path);
    fs::AtomicFile f;
    if (f.open(target) && f.write_bytes(bytes.data(), bytes.size()) && f.commit()) return;
    throw Failure(path + ": cannot write: " + why_not_saved(path, f.error().value()));
}

FileWriter::FileWriter(const std::string& path) : path_(path), file_(std::make_unique<fs::AtomicFile>()) {
    if (!file_->open(utf16_path(path))) fail();
}

FileWriter::~FileWriter() = default;

void FileWriter::write(std::string_view bytes) {
    if (!file_->write_bytes(bytes.data(), bytes.size())) fail();
}

void FileWriter::commit() {
    if (!file_->commit()) fail();
}

void FileWriter::fail() const { throw Failure(path_ + ": cannot write: " + why_not_saved(path_, file_->error().value())); }

}  // namespace peltatxt::cli
