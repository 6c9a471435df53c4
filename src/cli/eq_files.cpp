#include "cli/eq_files.h"

#include <charconv>

#include "cli/cli.h"
#include "cli/params.h"
#include "model/model_set.h"
#include "platform/paths.h"
#include "tuning/filter_text.h"

namespace tonvia::cli {

namespace {

// Far above any filter file: 31 lines of text.
constexpr std::size_t kMaxFilterFileBytes = 1u << 20;

}  // namespace

std::optional<EqFileJob> ParseEqFileJob(std::span<const std::string> words, std::string* error) {
    if (words.size() != 3 || (words[0] != "import" && words[0] != "export")) {
        *error = "'eq' needs import CH FILE or export CH FILE";
        return std::nullopt;
    }
    EqFileJob job;
    job.import = words[0] == "import";
    const std::string& ch = words[1];
    int n = 0;
    const auto [end, failed] = std::from_chars(ch.data(), ch.data() + ch.size(), n);
    if (failed != std::errc() || end != ch.data() + ch.size() || n < 1 || n > kOutChannelCount) {
        *error = "channels run from 1 to 6, not '" + ch + "'";
        return std::nullopt;
    }
    job.channel = n - 1;
    job.file = words[2];
    return job;
}

int ImportEqFile(tuning::Session& session, const EqFileJob& job, const std::function<int()>& drain,
                 std::ostream& out, std::string* error) {
    const platform::FileRead read = platform::ReadRegularFile(job.file, kMaxFilterFileBytes);
    if (!read.bytes) {
        *error = job.file + ": " + (read.missing ? "no such file" : read.error);
        return kExitArguments;
    }
    const OutChannel& channel =
        session.Model().live.channels[static_cast<std::size_t>(job.channel)];
    const tuning::FilterImport import = tuning::ParseFilterText(*read.bytes, channel.eqSize);
    auto notes = [&](const char* indent) {
        std::string text;
        for (const tuning::FilterNote& note : import.notes) {
            text += indent + ("line " + std::to_string(note.line) + ": " + note.text) + "\n";
        }
        return text;
    };
    if (!import.TookAnything()) {
        std::string why = notes("  ");
        // Appended piece by piece: GCC 12's -Wrestrict misreads "..." + string&&.
        *error = job.file + ": no peaking filter or preamp to import";
        if (!why.empty()) {
            why.pop_back();
            *error += '\n';
            *error += why;
        }
        return kExitArguments;
    }
    const ModelSet before = session.Model();
    const tuning::EditResult result = tuning::ApplyFilterImport(session, job.channel, import);
    if (result.refused) {
        *error = "channel " + std::to_string(job.channel + 1) + " does not take the import";
        return kExitArguments;
    }
    const int code = drain();
    out << notes("");
    for (const ChangedParam& line : ChangedParams(result, before, session.Model())) {
        out << line.name << " " << line.text << "\n";
    }
    return code;
}

int ExportEqFile(tuning::Session& session, const EqFileJob& job, std::ostream& out,
                 std::string* error) {
    const OutChannel& channel =
        session.Model().live.channels[static_cast<std::size_t>(job.channel)];
    const std::string text = tuning::FilterText(channel, job.channel + 1);
    std::string why;
    if (!platform::WriteFileAtomically(job.file, std::span(text.data(), text.size()), &why)) {
        *error = job.file + ": " + why;
        return kExitArguments;
    }
    out << "ch " << job.channel + 1 << " written to " << job.file << "\n";
    return kExitDone;
}

}  // namespace tonvia::cli
