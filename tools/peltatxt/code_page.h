// code_page.h — text in Windows code page 932 (Shift_JIS as Windows writes it) to UTF-16, by the platform's converter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace peltatxt::cli {

// The UTF-16 units of bytes read as code page 932: iconv's "CP932" on POSIX (not "SHIFT_JIS",
// which maps some characters differently from Windows), MultiByteToWideChar on Windows. Nothing
// when the bytes are not all valid code page 932; bad_at then holds where the converter stopped,
// or kUnknownPlace where the converter does not say. Fails with Failure when the system has no such converter.
inline constexpr std::size_t kUnknownPlace = static_cast<std::size_t>(-1);
std::optional<std::u16string> units_of_cp932(std::string_view bytes, std::size_t* bad_at = nullptr);

}  // namespace peltatxt::cli
