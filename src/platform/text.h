#pragma once

#include <string>
#include <string_view>

namespace tonvia::platform {

// Wide text (UTF-32 on this platform) to UTF-8; code points that are not valid become '?'.
std::string WideToUtf8(std::wstring_view text);

}  // namespace tonvia::platform
