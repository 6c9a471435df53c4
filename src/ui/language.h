#pragma once
// The interface languages: index stored as "lan" in the settings, name used by the toolkit,
// and the language file inside the skin package.

#include <optional>
#include <string>
#include <string_view>

struct LanguageEntry {
    int index;
    const char* name;
    const char* file;
};

inline constexpr LanguageEntry kLanguages[] = {
    {0, "en", "lan/lan_en.xml"},
    {1, "cn_zh", "lan/lan_cn.xml"},
    {2, "ru", "lan/lan_ru.xml"},
};

// The entry for a stored index, or nullopt for a value outside 0-2.
std::optional<LanguageEntry> LanguageForIndex(int index);
// The entry for a name, compared without regard to case.
std::optional<LanguageEntry> LanguageForName(std::string_view name);

// The language a menu item switches to while `current` is shown, or nullopt when the item
// is no language item or names the language already shown. "option_item_language" toggles
// between Chinese and English (any other language goes to Chinese).
std::optional<LanguageEntry> LanguageForMenuItem(std::string_view item, std::string_view current);
