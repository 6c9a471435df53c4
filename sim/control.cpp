#include "sim/control.h"

#include <charconv>
#include <cstdlib>
#include <vector>

namespace tonvia::sim {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool ParseInt(std::string_view text, long long& value, long long low, long long high) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= low &&
           value <= high;
}

// "<main>.<slave>", both 0 … 255.
bool ParseVersion(std::string_view text, std::uint8_t& mainVersion, std::uint8_t& slaveVersion) {
    const std::size_t dot = text.find('.');
    long long major = 0;
    long long minor = 0;
    if (dot == std::string_view::npos || !ParseInt(text.substr(0, dot), major, 0, 255) ||
        !ParseInt(text.substr(dot + 1), minor, 0, 255)) {
        return false;
    }
    mainVersion = static_cast<std::uint8_t>(major);
    slaveVersion = static_cast<std::uint8_t>(minor);
    return true;
}

bool ParseSwitch(std::string_view text, bool& on) {
    if (text == "on" || text == "1") {
        on = true;
        return true;
    }
    if (text == "off" || text == "0") {
        on = false;
        return true;
    }
    return false;
}

}  // namespace

std::string ExecuteControlCommand(VirtualAmplifier& amplifier, std::string_view line) {
    const auto words = Words(line);
    if (words.empty()) {
        return "error empty command";
    }
    const std::string_view command = words[0];
    const std::string_view argument = words.size() > 1 ? words[1] : std::string_view();
    const bool hasArgument = words.size() == 2;
    const bool bare = words.size() == 1;
    long long number = 0;
    bool on = false;
    std::uint8_t mainVersion = 0;
    std::uint8_t slaveVersion = 0;

    if (command == "status" && bare) {
        return "ok " + amplifier.StatusText();
    }
    if (command == "unplug" && bare) {
        amplifier.Unplug();
        return "ok";
    }
    if (command == "plug" && bare) {
        amplifier.Plug();
        return "ok";
    }
    if (command == "corrupt" && bare) {
        amplifier.CorruptNextReply();
        return "ok";
    }
    if (command == "fullspeed" && bare) {
        amplifier.SetFullSpeed();
        return "ok";
    }
    if (command == "replug" && hasArgument && ParseInt(argument, number, 0, 600000)) {
        amplifier.Replug(std::chrono::milliseconds(number));
        return "ok";
    }
    if (command == "flash" && hasArgument && ParseVersion(argument, mainVersion, slaveVersion)) {
        amplifier.TakeFirmware(mainVersion, slaveVersion);
        return "ok";
    }
    if (command == "version" && hasArgument && ParseVersion(argument, mainVersion, slaveVersion)) {
        amplifier.SetFirmwareVersion(mainVersion, slaveVersion);
        return "ok";
    }
    if (command == "silent" && hasArgument && ParseSwitch(argument, on)) {
        amplifier.SetSilent(on);
        return "ok";
    }
    if (command == "bootloader" && hasArgument && ParseSwitch(argument, on)) {
        amplifier.SetBootLoaderMode(on);
        return "ok";
    }
    if (command == "drop" && hasArgument && ParseInt(argument, number, 0, 1000000)) {
        amplifier.DropReplies(static_cast<int>(number));
        return "ok";
    }
    if (command == "latency" && hasArgument && ParseInt(argument, number, 0, 10000000)) {
        amplifier.SetLatency(std::chrono::microseconds(number));
        return "ok";
    }
    // Values of the working set, as another program or the amplifier's own knob would set
    // them: the tuning program's check against the amplifier must find them.
    long long ch = 0;
    long long band = 0;
    if (words.size() == 3 && ParseInt(words[1], ch, 1, kOutputs)) {
        const auto c = static_cast<std::size_t>(ch - 1);
        if (command == "trim" && ParseInt(words[2], number, 0, 6000)) {
            amplifier.Edit([&](DeviceState& s) {
                s.scenes[0].trimHundredths[c] = static_cast<std::uint16_t>(number);
            });
            return "ok";
        }
        if (command == "mute" && ParseSwitch(words[2], on)) {
            amplifier.Edit([&](DeviceState& s) { s.scenes[0].mute[c] = on ? 1 : 0; });
            return "ok";
        }
    }
    if (command == "eqgain" && words.size() == 4 && ParseInt(words[1], ch, 1, kOutputs) &&
        ParseInt(words[2], band, 1, kBands) && ParseInt(words[3], number, 0, 360)) {
        amplifier.Edit([&](DeviceState& s) {
            s.scenes[0]
                .eq[static_cast<std::size_t>(ch - 1)][static_cast<std::size_t>(band - 1)]
                .gainTenths = static_cast<std::uint16_t>(number);
        });
        return "ok";
    }
    if (command == "model" && hasArgument && ParseInt(argument, number, 0, 255)) {
        amplifier.SetModel(static_cast<std::uint8_t>(number));
        return "ok";
    }
    return "error unknown command: " + std::string(line);
}

bool ControlEndpoint::Start(const std::string& path) {
    return mServer.Start(
        path, [this](std::string_view line) { return ExecuteControlCommand(mAmplifier, line); });
}

std::unique_ptr<ControlEndpoint> StartControlEndpointFromEnvironment(VirtualAmplifier& amplifier) {
    const char* path = std::getenv(kControlEnvironment);
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    auto endpoint = std::make_unique<ControlEndpoint>(amplifier);
    if (!endpoint->Start(path)) {
        return nullptr;
    }
    return endpoint;
}

}  // namespace tonvia::sim
