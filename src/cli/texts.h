#pragma once
// The English texts of the window's messages that the command line prints. The command line
// has no Qt and no skin package, so it keeps its own copy of the few it needs; a test holds
// them against skin/lan/lan_en.xml.

#include <span>
#include <string>
#include <string_view>

namespace tonvia::cli {

struct EnglishText {
    std::string_view key;  // "${profile_save_ok}"
    std::string_view text;
};

// Every text the command line knows.
std::span<const EnglishText> EnglishTexts();

// The text of a language key, line breaks as spaces; the key itself when unknown.
std::string English(std::string_view key);

}  // namespace tonvia::cli
