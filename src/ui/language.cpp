#include "ui/language.h"

#include <cctype>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<LanguageEntry> LanguageForIndex(int index) {
    for (const LanguageEntry& entry : kLanguages) {
        if (entry.index == index) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<LanguageEntry> LanguageForName(std::string_view name) {
    for (const LanguageEntry& entry : kLanguages) {
        if (EqualsNoCase(entry.name, name)) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<LanguageEntry> LanguageForMenuItem(std::string_view item, std::string_view current) {
    std::optional<LanguageEntry> target;
    if (item == "option_item_language") {
        target = EqualsNoCase(current, "cn_zh") ? kLanguages[0] : kLanguages[1];
    } else if (item == "option_item_language_en") {
        target = kLanguages[0];
    } else if (item == "option_item_language_cn") {
        target = kLanguages[1];
    } else if (item == "option_item_language_ru") {
        target = kLanguages[2];
    }
    if (target && EqualsNoCase(target->name, current)) {
        return std::nullopt;
    }
    return target;
}
