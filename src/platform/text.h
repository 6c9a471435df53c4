#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonvia::platform {

// Wide text (UTF-32 on this platform) to UTF-8; code points that are not valid become '?'.
std::string WideToUtf8(std::wstring_view text);

// The ANSI code pages that the device's scene names travel in, as iconv names. The code
// page goes with the interface language: index 0 English, 1 Chinese, 2 Russian; English's
// for any other index.
const char* AnsiCodePageForLanguage(int languageIndex);

// Bytes in the ANSI code page `codePage` to wide text. Bytes the code page has no
// character for (and a cut multibyte character) become '?'; when iconv does not know the
// code page, ASCII is kept and every other byte becomes '?'.
std::wstring AnsiToWide(std::span<const std::uint8_t> bytes, const std::string& codePage);
// Wide text to bytes in `codePage`, with the same rules the other way: a character the
// code page cannot hold becomes '?'.
std::vector<std::uint8_t> WideToAnsi(std::wstring_view text, const std::string& codePage);

}  // namespace tonvia::platform
