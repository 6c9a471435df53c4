#pragma once
// "tonvia.ini" (section "config") and the marker files of the working directory.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Full path of "tonvia.ini": the settings folder, or the working directory when that
// folder cannot be used.
std::string GetSettingsPath();

// Keys of section "config". A missing file or key reads as the default; an integer key
// holding text that does not start with a number reads as 0. A file that cannot be read
// whole (a folder, a pipe, no permission, over 1 MiB) reads as the defaults, with a log line.
int ReadConfigInt(const std::string& key, int defaultValue);
std::string ReadConfigString(const std::string& key, const std::string& defaultValue);
// Writes one key, keeping every other line of the file; the file is replaced whole, through
// a symbolic link and keeping its mode. Refused (false, with a log line) when the existing
// file cannot be read whole, so that it is never replaced by a file that lost its other keys.
bool WriteConfigString(const std::string& key, const std::string& value);

// True when `name` exists in the working directory.
bool IsLocalFileExist(const std::string& name);

// An INI file in memory. Section and key names compare without regard to case, as the
// settings API of the platform the file format comes from does; unknown lines are kept.
class IniFile {
  public:
    static IniFile Parse(std::string_view text);
    std::string Serialize() const;

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);

  private:
    struct Line {
        std::string text;     // the line as read (or as written by Set)
        std::string section;  // lower-case name of the section it belongs to
        std::string key;      // lower-case key, empty for other lines
        std::string value;
    };
    std::vector<Line> mLines;
};

// Windows-style integer reading of a profile value: leading blanks, an optional sign and
// digits; anything else yields 0.
int ParseProfileInt(std::string_view text);
