// signal_cleanup.h — the tool's temporary directories removed when SIGINT, SIGTERM or SIGHUP stops it (Linux).
#pragma once

#include <string>

namespace peltatxt::cli::cleanup {

// Lists a directory (holding files only) for removal on a signal, installing the handler the
// first time; returns its slot, or -1 when it cannot be listed (or off Linux).
int add(const std::string& path);
// Takes a slot from add off the list; -1 is ignored.
void drop(int slot);

}  // namespace peltatxt::cli::cleanup
