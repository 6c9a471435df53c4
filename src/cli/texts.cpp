#include "cli/texts.h"

#include <array>

namespace tonvia::cli {

namespace {

// As in skin/lan/lan_en.xml, "{\n}" marking the line breaks of the boxes.
constexpr std::array<EnglishText, 21> kTexts = {{
    {"${off}", "Off"},
    {"${profile_save_ok}", "Profile saved."},
    {"${profile_create_error}",
     "The profile file cannot be created.{\\n}Check the folder and its write permission."},
    {"${profile_open_error}", "The file cannot be opened or is not a profile."},
    {"${profile_load_error}",
     "The profile is damaged or incomplete{\\n}and was not loaded.{\\n}Your current settings "
     "are unchanged."},
    {"${software_not_match}",
     "This profile belongs to another amplifier model{\\n}and cannot be loaded."},
    {"${scene_transfer_fail}",
     "The amplifier did not answer every command.{\\n}Check the connection and try again."},
    {"${save_scene_ok}", "Scene saved."},
    {"${same_name_tips}",
     "The name \"%s\" is already used by scene %d (%s).{\\n}Please choose another name."},
    {"${source_opt}", "Optical"},
    {"${source_coax}", "Coaxial"},
    {"${source_bt}", "Bluetooth"},
    {"${source_aux}", "AUX"},
    {"${source_low}", "Low Level"},
    {"${source_hi}", "High Level"},
    {"${source_dmp}", "DMP"},
    {"${source_udp}", "UDP"},
    {"${source_scp}", "SCP"},
    {"${butterworth}", "Butterworth"},
    {"${linkwitz_riley}", "Linkwitz-R"},
    {"${bessel}", "Bessel"},
}};

}  // namespace

std::span<const EnglishText> EnglishTexts() {
    return kTexts;
}

std::string English(std::string_view key) {
    for (const EnglishText& entry : EnglishTexts()) {
        if (entry.key != key) {
            continue;
        }
        // The line marks become spaces: a terminal wraps on its own.
        constexpr std::string_view kLineMark = "{\\n}";
        const std::string_view source = entry.text;
        std::string text;
        for (std::size_t at = 0; at < source.size();) {
            if (source.substr(at, kLineMark.size()) == kLineMark) {
                text += ' ';
                at += kLineMark.size();
            } else {
                text += source[at++];
            }
        }
        return text;
    }
    return std::string(key);
}

}  // namespace tonvia::cli
