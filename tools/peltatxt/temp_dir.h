// temp_dir.h — private temporary directories for the tool's intermediate files, removed when done or stopped.
#pragma once

#include <filesystem>
#include <string>

namespace peltatxt::cli {

// A fresh directory under the system's temporary directory, readable by its owner only, removed
// with its content when the object goes, and also when the tool is stopped by SIGINT or SIGTERM.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The UTF-8 path of a file name inside the directory.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
    int slot_ = -1;  // in the list of directories removed on a signal
};

}  // namespace peltatxt::cli
