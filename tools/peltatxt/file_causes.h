// file_causes.h — why a file could not be opened or saved, in the tool's words, from the cause reported or a look at the file.
#pragma once

#include <filesystem>
#include <string>

namespace peltatxt::cli {

// The system's text for an errno value, starting in lower case like the tool's own messages.
std::string reason_of(int error);

// "a FIFO (named pipe)", "a device", "a socket", ... for what is neither a regular file, nor a
// directory, nor missing; empty otherwise.
std::string kind_of(std::filesystem::file_type type);

// Why a file could not be written at path, found by looking at it and its directory: for
// exports by a plug-in that leaves no cause. Ends in a generic reason when nothing is found.
std::string why_not_writable(const std::string& path);
// Why a save of path failed with the errno value error, in the tool's words: "is read-only",
// "no such directory", "another save of this file is in progress", "no space left on device", ...
std::string why_not_saved(const std::string& path, int error);

}  // namespace peltatxt::cli
