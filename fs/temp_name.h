// temp_name.h — the names of the save's temporary files: the pattern, its random part, and the process a name belongs to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace peltatxt::fs::temp_name {

// ".peltatxt-<pid>-<16 hex digits>.tmp" for a temporary file of process pid. A named one is
// created as ".new" (fresh) and takes its ".tmp" name once its owner holds its lock, so that the
// sweep, which reads a free lock on a ".tmp" file as a sign that its owner is gone, never
// sees a live one before it is locked.
std::string make(unsigned long pid, bool fresh = false);
// The directory-search pattern that every ".tmp" name matches (owner_of then reads the name).
std::string search_pattern();

// What a file name says of its owner: the pid (0 when the name is none of this library's
// temporary files) and whether it is a ".tmp" name (its owner, while alive, holds its lock).
struct Owner {
    unsigned long pid = 0;
    bool locked = false;
};
Owner owner_of(std::string_view name);

// 64 random bits: the system's randomness where it gives them at once, else a mix of the clock
// and the process id.
uint64_t random64() noexcept;

}  // namespace peltatxt::fs::temp_name
