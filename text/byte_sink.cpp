// byte_sink.cpp — the memory sink, and the buffered sink's writes: whole buffers, and long views from where they are.
#include "byte_sink.h"

namespace peltatxt {

bool MemorySink::write(const void* bytes, std::size_t count) {
    bytes_.append(static_cast<const char*>(bytes), count);
    return true;
}

void BufferedSink::write_units(const char16_t* units, std::size_t count) {
    if (count == 0) return;
    if (!sink_.write(units, count * sizeof(char16_t))) failed_ = true;
}

void BufferedSink::flush() {
    write_units(buffer_.get(), used_);
    used_ = 0;
}

// The buffer goes out first; then the view a buffer's length per write, and its rest starts the
// next buffer.
void BufferedSink::put_past_buffer(std::u16string_view s) {
    flush();
    for (; s.size() > kUnits; s.remove_prefix(kUnits)) write_units(s.data(), kUnits);
    std::memcpy(buffer_.get(), s.data(), s.size() * sizeof(char16_t));
    used_ = s.size();
}

}  // namespace peltatxt
