// file_reads.h — the tool's inputs: regular files read whole, in pieces or up to a limit, and standard input spooled to a file.
//
// Paths are UTF-8 strings as they come from the command line; every failure is a Failure whose
// message names the file and says what is wrong.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// Inputs must be regular files: a directory, FIFO, device or socket is refused at once with a line
// that says what it is, before anything is opened (opening a FIFO would wait for a writer). A
// file is read up to the size it had when it was opened, so one that grows meanwhile reads as it
// was.

// The whole content of a file.
std::string read_file(const std::string& path);
// The whole content of a file that may hold at most limit bytes; a larger one is refused.
std::string read_file(const std::string& path, std::size_t limit);
// The most the tool reads of a JSON or CSV file, and of standard input: 1 GiB, or 256 MiB in a
// 32-bit build, whose 2 to 4 GiB of address space must also hold the records read, a few times
// the text's size.
constexpr std::size_t kMaxTextInputBytes = sizeof(void*) == 4 ? std::size_t{256} << 20 : std::size_t{1} << 30;

// Copies everything that can be read from in into a new file at path, private to its owner, in
// pieces of a fixed size. More than limit bytes are refused once the limit is passed, naming
// name; a failed read names name, a failed write path. What was written is left to the caller
// to remove.
void spool_to_file(std::FILE* in, const std::string& name, const std::string& path, std::size_t limit);

// Makes sure path names a readable regular file and returns its first max_bytes bytes.
std::string read_head(const std::string& path, std::size_t max_bytes);

// Passes the content of a regular file to take a piece at a time.
void read_in_pieces(const std::string& path, const std::function<void(std::string_view)>& take);

}  // namespace peltatxt::cli
