#pragma once
// `eq import CH FILE` and `eq export CH FILE`: one channel's bands from and to the filter
// text of room-measurement programs (tuning/filter_text.h).

#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "tuning/session.h"

namespace tonvia::cli {

struct EqFileJob {
    bool import = true;
    int channel = 0;  // 0..5
    std::string file;
};

// Reads the words after "eq"; nullopt with `error` set when they are no such command.
std::optional<EqFileJob> ParseEqFileJob(std::span<const std::string> words, std::string* error);

// The import through the rules half. Prints each report line ("line 12: filter is off"),
// waits with `drain` for the amplifier to take the commands, then prints each parameter that
// changed as `set` does. Returns an exit code; for kExitArguments (an unreadable file, or one
// of which nothing is taken) `error` says why.
int ImportEqFile(tuning::Session& session, const EqFileJob& job, const std::function<int()>& drain,
                 std::ostream& out, std::string* error);

// Writes the channel's bands and level as REW filter text, whole or not at all.
int ExportEqFile(tuning::Session& session, const EqFileJob& job, std::ostream& out,
                 std::string* error);

}  // namespace tonvia::cli
