#include "platform/settings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

#include "platform/log.h"
#include "platform/paths.h"

namespace {

constexpr char kSection[] = "config";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Far above any settings file the program writes; a larger one is not what it wrote.
constexpr std::size_t kMaxSettingsBytes = std::size_t{1} << 20;

// The settings file as read; an empty one when there is none. nullopt, after a log line
// that ends with `consequence`, when a file exists but cannot be read whole.
std::optional<IniFile> LoadSettings(const std::string& path, const char* consequence) {
    const auto file = tonvia::platform::ReadRegularFile(path, kMaxSettingsBytes);
    if (file.bytes) {
        return IniFile::Parse(*file.bytes);
    }
    if (file.missing) {
        return IniFile();
    }
    LogPrintA("settings: %s cannot be read (%s); %s\n", path.c_str(), file.error.c_str(),
              consequence);
    return std::nullopt;
}

std::optional<std::string> ReadConfigValue(const std::string& key) {
    const auto ini = LoadSettings(GetSettingsPath(), "using the defaults");
    return ini ? ini->Get(kSection, key) : std::nullopt;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);
        }
        Line line{std::string(raw), {}, {}, {}};
        const std::string_view body = Trim(raw);
        if (body.size() >= 2 && body.front() == '[' && body.back() == ']') {
            section = Lower(Trim(body.substr(1, body.size() - 2)));
        } else if (!body.empty() && body.front() != ';' && body.front() != '#') {
            const std::size_t eq = body.find('=');
            if (eq != std::string_view::npos) {
                line.key = Lower(Trim(body.substr(0, eq)));
                line.value = std::string(Trim(body.substr(eq + 1)));
            }
        }
        line.section = section;
        ini.mLines.push_back(std::move(line));
    }
    return ini;
}

std::string IniFile::Serialize() const {
    std::string out;
    for (const Line& line : mLines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const std::string s = Lower(section);
    const std::string k = Lower(key);
    for (const Line& line : mLines) {
        if (!line.key.empty() && line.section == s && line.key == k) {
            return line.value;
        }
    }
    return std::nullopt;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string s = Lower(section);
    const std::string k = Lower(key);
    // Built by appending: GCC 12 at -O3 warns falsely on chained string concatenation.
    std::string text(key);
    text.append("=").append(value);
    std::size_t lastOfSection = mLines.size();
    bool sectionSeen = false;
    for (std::size_t i = 0; i < mLines.size(); ++i) {
        Line& line = mLines[i];
        if (line.section != s) {
            continue;
        }
        sectionSeen = true;
        if (line.key == k) {
            line.text = text;
            line.value = std::string(value);
            return;
        }
        if (!Trim(line.text).empty()) {
            lastOfSection = i;
        }
    }
    if (!sectionSeen) {
        std::string header("[");
        header.append(section).append("]");
        mLines.push_back({header, s, {}, {}});
        lastOfSection = mLines.size() - 1;
    }
    mLines.insert(mLines.begin() + static_cast<std::ptrdiff_t>(lastOfSection + 1),
                  Line{text, s, k, std::string(value)});
}

int ParseProfileInt(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = std::min<long long>(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string GetSettingsPath() {
    std::string folder = tonvia::platform::SettingsFolder();
    if (folder.empty()) {
        folder = tonvia::platform::WorkingDirectory();
    }
    return folder + "/tonvia.ini";
}

int ReadConfigInt(const std::string& key, int defaultValue) {
    const auto value = ReadConfigValue(key);
    return value ? ParseProfileInt(*value) : defaultValue;
}

std::string ReadConfigString(const std::string& key, const std::string& defaultValue) {
    const auto value = ReadConfigValue(key);
    return value ? *value : defaultValue;
}

bool WriteConfigString(const std::string& key, const std::string& value) {
    const std::string path = GetSettingsPath();
    // Writing what little could be read would drop every other key and section.
    auto ini = LoadSettings(path, "leaving it untouched");
    if (!ini) {
        return false;
    }
    ini->Set(kSection, key, value);
    const std::string text = ini->Serialize();
    std::string error;
    if (!tonvia::platform::WriteFileAtomically(path, text, &error)) {
        LogPrintA("settings: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool IsLocalFileExist(const std::string& name) {
    return tonvia::platform::PathExists(tonvia::platform::WorkingDirectory() + "/" + name);
}
