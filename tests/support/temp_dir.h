// temp_dir.h — the one temporary directory of the tests, fuzz targets and benchmark tests: made fresh, removed with all in it.
#pragma once

#include <filesystem>
#include <string_view>

namespace peltatxt::testing {

// A fresh directory, removed with everything in it when the object goes (write permission is
// given back first, so that a test may take it away). Without a root it goes under
// $PELTATXT_TMP when that is set (CTest points it into the build tree), otherwise under the
// system's temporary directory.
class TempDir {
public:
    TempDir();
    explicit TempDir(const std::filesystem::path& root);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace peltatxt::testing
