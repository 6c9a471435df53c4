#include "cli/cli.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/dump.h"
#include "cli/eq_files.h"
#include "cli/params.h"
#include "cli/texts.h"
#include "link/hid_device.h"
#include "model/model_set.h"
#include "model/scene_diff.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "profiles/profile_files.h"
#include "sim/device_backend.h"
#include "tuning/connection.h"
#include "tuning/edits.h"
#include "tuning/parameter_sync.h"
#include "tuning/scene_transfer.h"
#include "tuning/session.h"

namespace tonvia::cli {

namespace {

using Clock = std::chrono::steady_clock;
using tonvia::sim::DeviceBackend;
using tuning::Session;

std::size_t At(int index) {
    return static_cast<std::size_t>(index);
}

// Standard error is written by the main thread and, with --trace, by the link's threads.
class Console {
  public:
    explicit Console(std::ostream& err) : mErr(err) {}
    void Error(const std::string& text) { Line("tonvia-cli: " + text); }
    void Line(const std::string& text) {
        std::lock_guard lock(mMutex);
        mErr << text << '\n';
        mErr.flush();
    }

  private:
    std::mutex mMutex;
    std::ostream& mErr;
};

struct Options {
    bool demo = false;
    std::string demoState;
    bool trace = false;
    bool json = false;
    bool help = false;
    std::vector<std::string> words;  // the command and its arguments
};

enum class Command {
    Status,
    Dump,
    Get,
    Set,
    ScenesList,
    SceneLoad,
    SceneSave,
    SceneDelete,
    ProfileSave,
    ProfileLoad,
    Diff,
    Verify,
    EqFile,
};

// A command read and checked whole before any device is opened.
struct Job {
    Command command = Command::Status;
    Param param;
    ParamValue value;
    int scene = 0;
    std::wstring sceneName;
    std::string file;
    bool wholeProfile = false;  // .wpf rather than .spf
    EqFileJob eqFile;
};

struct Failure {
    int code = kExitArguments;
    std::string message;
};

std::optional<Options> ParseOptions(std::span<const std::string> args, std::string* error) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--demo-state" || arg.starts_with("--demo-state=")) {
            std::string path;
            if (arg == "--demo-state") {
                if (i + 1 < args.size()) {
                    path = args[++i];
                }
            } else {
                path = arg.substr(std::string_view("--demo-state=").size());
            }
            if (path.empty()) {
                *error = "--demo-state needs a file name";
                return std::nullopt;
            }
            options.demo = true;
            options.demoState = path;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg.starts_with("--")) {
            *error = "unknown option " + arg;
            return std::nullopt;
        } else {
            options.words.push_back(arg);
        }
    }
    return options;
}

std::optional<int> SceneNumber(const std::string& text) {
    int n = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || n < 1 ||
        n > kStoredSceneCount) {
        return std::nullopt;
    }
    return n;
}

std::optional<Job> ParseJob(std::span<const std::string> words, Failure* failure) {
    auto fail = [&](std::string why) -> std::optional<Job> {
        failure->message = std::move(why);
        return std::nullopt;
    };
    if (words.empty()) {
        return fail("no command given (try --help)");
    }
    const std::string& name = words[0];
    const auto rest = words.subspan(1);
    Job job;
    auto none = [&](Command command) -> std::optional<Job> {
        if (!rest.empty()) {
            return fail("'" + name + "' takes no arguments");
        }
        job.command = command;
        return job;
    };
    if (name == "status") {
        return none(Command::Status);
    }
    if (name == "dump") {
        return none(Command::Dump);
    }
    if (name == "get" || name == "set") {
        const bool set = name == "set";
        if (set && rest.size() < 2) {
            return fail("'set' needs a parameter and a value");
        }
        std::string error;
        const auto param = ParseParam(set ? rest.first(rest.size() - 1) : rest, &error);
        if (!param) {
            return fail(error);
        }
        job.command = set ? Command::Set : Command::Get;
        job.param = *param;
        if (set) {
            const auto value = ParseValue(*param, rest.back(), &error);
            if (!value) {
                return fail(error);
            }
            job.value = *value;
        }
        return job;
    }
    if (name == "scenes") {
        const std::string action = rest.empty() ? "" : rest[0];
        if (action == "list") {
            if (rest.size() != 1) {
                return fail("'scenes list' takes no arguments");
            }
            job.command = Command::ScenesList;
            return job;
        }
        const std::size_t wanted = action == "save" ? 3 : 2;
        if ((action != "load" && action != "save" && action != "delete")) {
            return fail("'scenes' needs list, load N, save N NAME or delete N");
        }
        if (rest.size() != wanted) {
            return fail(action == "save" ? "'scenes save' needs a scene number and a name"
                                         : "'scenes " + action + "' needs a scene number");
        }
        const auto scene = SceneNumber(rest[1]);
        if (!scene) {
            return fail("scene numbers run from 1 to 10, not '" + rest[1] + "'");
        }
        job.scene = *scene;
        job.command = action == "load"   ? Command::SceneLoad
                      : action == "save" ? Command::SceneSave
                                         : Command::SceneDelete;
        if (action == "save") {
            const std::string& text = rest[2];
            job.sceneName = tonvia::platform::AnsiToWide(
                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                "UTF-8");
            if (job.sceneName.empty() && !text.empty()) {
                return fail("the scene name is not UTF-8 text");
            }
            // As the name box: the device keeps seven characters.
            job.sceneName.resize(std::min<std::size_t>(job.sceneName.size(), kSceneNameChars));
        }
        return job;
    }
    if (name == "verify") {
        if (!rest.empty()) {
            return fail("'verify' takes no arguments");
        }
        job.command = Command::Verify;
        return job;
    }
    if (name == "profile" || name == "diff") {
        const bool diff = name == "diff";
        if (diff ? rest.size() != 1
                 : rest.size() != 2 || (rest[0] != "save" && rest[0] != "load")) {
            return fail(diff ? "'diff' needs a profile FILE"
                             : "'profile' needs save FILE or load FILE");
        }
        job.command = diff                ? Command::Diff
                      : rest[0] == "save" ? Command::ProfileSave
                                          : Command::ProfileLoad;
        job.file = rest.back();
        auto endsWith = [&](std::string_view ext) {
            return job.file.size() > ext.size() &&
                   std::equal(ext.rbegin(), ext.rend(), job.file.rbegin(), [](char a, char b) {
                       return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
                   });
        };
        if (endsWith(".wpf")) {
            job.wholeProfile = true;
        } else if (!endsWith(".spf")) {
            return fail(job.file + ": a profile file name ends in .spf (scene) or .wpf (whole)");
        }
        return job;
    }
    if (name == "eq") {
        std::string error;
        const auto eqFile = ParseEqFileJob(rest, &error);
        if (!eqFile) {
            return fail(error);
        }
        job.command = Command::EqFile;
        job.eqFile = *eqFile;
        return job;
    }
    return fail("unknown command '" + name + "' (try --help)");
}

// "scene 3 ch 2 band 7 eq.gain: amplifier -2.5, file 0", numbered from 1 as on the page.
std::string DiffLine(const ParameterChange& change, const char* first, const char* second) {
    return tuning::ParameterName(change) + ": " + first + " " +
           tuning::ParameterValueText(change.before) + ", " + second + " " +
           tuning::ParameterValueText(change.after);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    char item[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(item, sizeof item, " %02x", b);
        text += item;
    }
    return text;
}

std::string JsonString(const std::string& text) {
    std::unique_ptr<cJSON, void (*)(cJSON*)> item(cJSON_CreateString(text.c_str()), cJSON_Delete);
    char* printed = cJSON_PrintUnformatted(item.get());
    std::string out = printed != nullptr ? printed : "\"\"";
    cJSON_free(printed);
    return out;
}

// One open session on the amplifier, from the handshake to the close.
class Run {
  public:
    Run(DeviceBackend& backend, Console& console, const Options& options, const CliTimings& timings,
        std::ostream& out)
        : mBackend(backend),
          mConsole(console),
          mOptions(options),
          mTimings(timings),
          mOut(out),
          mSession(backend.Hid()) {
        if (options.trace) {
            const auto start = Clock::now();
            mSession.Link().SetFrameTrace(
                [&console, start](bool written, std::span<const std::uint8_t> report) {
                    const auto ms =
                        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                            .count();
                    char head[32];
                    std::snprintf(head, sizeof head, "%6lld ms %s", static_cast<long long>(ms),
                                  written ? "write" : "read ");
                    console.Line(head + Hex(report));
                });
        }
    }

    ~Run() {
        CHidDevice& link = mSession.Link();
        link.DisableQueue();
        link.CloseHIDDevice(true);
        link.SetFrameTrace({});
    }

    // Opens the amplifier; kExitDone, or the code with its message printed.
    int Open() {
        CHidDevice& link = mSession.Link();
        if (link.OpenHIDDevice() < 0) {
            mConsole.Error("the USB HID library cannot be started: " + mBackend.Hid().ErrorText());
            return kExitNoAmplifier;
        }
        if (link.IsConnected()) {
            return kExitDone;
        }
        const auto devices = mBackend.Hid().Enumerate(DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID);
        if (devices.empty()) {
            mConsole.Error(
                "no amplifier found: check the USB cable and that the amplifier is "
                "switched on");
            return kExitNoAmplifier;
        }
        const std::string& node = devices.front().path;
        if (!tonvia::platform::MayReadWrite(node)) {
            mConsole.Error("no permission to open the amplifier at " + node +
                           ": this user may not read and write that device node. The udev rule "
                           "that allows it is missing or not yet applied; install it with\n  " +
                           std::string(tuning::kUdevRuleInstallCommand) +
                           "\nthen unplug the amplifier and plug it in again.");
        } else {
            mConsole.Error("the amplifier at " + node +
                           " cannot be opened: " + mBackend.Hid().ErrorText());
        }
        return kExitNoAmplifier;
    }

    // The window's state read; kExitDone once this model's whole state is in the model.
    int ReadState() {
        const int status =
            tuning::PC_UI_Status_Init(mSession, tuning::PlanStateRead(mSession.Model()));
        mSession.ProcessReports();
        if (status == -1) {
            mConsole.Error("the amplifier did not answer the handshake");
            return kExitDevice;
        }
        switch (tuning::JudgeHandshake(mSession.Link())) {
            case tuning::DeviceKind::ThisModel:
                break;
            case tuning::DeviceKind::BootLoader:
                mConsole.Error("the amplifier runs its boot loader; install its firmware first");
                return kExitDevice;
            case tuning::DeviceKind::ForeignModel:
                mConsole.Error("the amplifier reports model " +
                               std::to_string(mSession.Link().model.load()) +
                               ", which this program does not support");
                return kExitDevice;
        }
        // As on the page once connected: edits go through the command queue.
        mSession.Link().EnableQueue();
        return kExitDone;
    }

    // Waits until every queued command has been written and answered, then applies the
    // replies. kExitDevice when some did not get through.
    int Drain() {
        CHidDevice& link = mSession.Link();
        const auto until = Clock::now() + mTimings.queueDrainLimit;
        while (!link.IsQueueIdle() && link.IsConnected() && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        mSession.ProcessReports();
        if (!link.IsQueueIdle()) {
            mConsole.Error("the amplifier did not take every command in time");
            return kExitDevice;
        }
        const int failures = link.mQueueFailures.exchange(0);
        if (failures > 0) {
            mConsole.Error("the amplifier did not answer " + std::to_string(failures) +
                           (failures == 1 ? " command" : " commands"));
            return kExitDevice;
        }
        return kExitDone;
    }

    int Execute(const Job& job) {
        if (job.command == Command::Status) {
            return Status();
        }
        if (const int code = ReadState(); code != kExitDone) {
            return code;
        }
        int code = kExitDone;
        switch (job.command) {
            case Command::Dump:
                mOut << DumpJson(mSession.Model());
                break;
            case Command::Get:
                Get(job.param);
                break;
            case Command::Set:
                code = Set(job.param, job.value);
                break;
            case Command::ScenesList:
                ScenesList();
                break;
            case Command::SceneLoad:
            case Command::SceneSave:
            case Command::SceneDelete:
                code = Scene(job);
                break;
            case Command::ProfileSave:
                code = ProfileSave(job);
                break;
            case Command::ProfileLoad:
                code = ProfileLoad(job);
                break;
            case Command::Diff:
                code = Diff(job);
                break;
            case Command::Verify:
                code = Verify();
                break;
            case Command::EqFile:
                code = EqFile(job.eqFile);
                break;
            case Command::Status:
                break;
        }
        const int drained = Drain();
        return code != kExitDone ? code : drained;
    }

  private:
    int Status() {
        CHidDevice& link = mSession.Link();
        link.PC_Connect(1);
        link.model.store(kNoModel);
        const bool answered = link.Hand_Connect();
        mSession.ProcessReports();
        if (!answered) {
            mConsole.Error("the amplifier did not answer the handshake");
            return kExitDevice;
        }
        const bool bootLoader = tuning::JudgeHandshake(link) == tuning::DeviceKind::BootLoader;
        if (bootLoader) {
            link.Get_Bootloader_Version();
        } else {
            link.Get_Flash_Version();
        }
        mSession.ProcessReports();
        const SceneConfig& live = mSession.Model().live;
        const std::string firmware =
            std::to_string(live.mainVersion) + "." + std::to_string(live.slaveVersion);
        char flash[16];
        std::snprintf(flash, sizeof flash, "%02d%02d%02d%02d", live.flashver[0], live.flashver[1],
                      live.flashver[2], live.flashver[3]);
        const std::string mode = bootLoader ? "boot loader" : "normal";
        const int bootVersion = link.mBootloaderVersion.load();
        if (mOptions.json) {
            mOut << "{\"connection\": " << JsonString(mBackend.Name())
                 << ", \"model\": " << link.model.load()
                 << ", \"firmware\": " << JsonString(firmware)
                 << ", \"flashVersion\": " << JsonString(flash)
                 << ", \"mode\": " << JsonString(mode);
            if (bootLoader) {
                mOut << ", \"bootLoaderVersion\": " << bootVersion;
            }
            mOut << "}\n";
            return kExitDone;
        }
        mOut << "connection: connected (" << mBackend.Name() << ", " << mSession.Link().OpenPath()
             << ")\n";
        mOut << "model: " << link.model.load()
             << (tuning::JudgeHandshake(link) == tuning::DeviceKind::ForeignModel
                     ? " (not supported by this program)"
                     : "")
             << "\n";
        mOut << "mode: " << mode << "\n";
        if (bootLoader) {
            mOut << "boot loader version: " << bootVersion << "\n";
        } else {
            mOut << "firmware: " << firmware << "\n";
            mOut << "dsp flash version: " << flash << "\n";
        }
        return kExitDone;
    }

    void Get(const Param& param) {
        const std::string text = ParamText(param, mSession.Model());
        if (mOptions.json) {
            mOut << "{\"parameter\": " << JsonString(ParamName(param))
                 << ", \"value\": " << JsonString(text) << "}\n";
        } else {
            mOut << text << "\n";
        }
    }

    int Set(const Param& param, const ParamValue& value) {
        const ModelSet before = mSession.Model();
        tuning::EditResult result = ApplyParam(mSession, param, value);
        if (result.refused) {
            mConsole.Error(
                ParamName(param) + ": the channel does not take this value (" +
                (param.band >= 0 ? "the band is beyond the channel's bands" : "out of its range") +
                ")");
            return kExitArguments;
        }
        CHidDevice& link = mSession.Link();
        if (result.startVolumePoll) {
            // The device sets the new source's own volume; read it back as the page does.
            link.Get_Main_Volume();
            result.mainVolume = true;
        }
        const int code = Drain();
        const auto changed = ChangedParams(result, before, mSession.Model());
        if (mOptions.json) {
            mOut << "[";
            for (std::size_t i = 0; i < changed.size(); ++i) {
                mOut << (i == 0 ? "" : ", ") << "{\"parameter\": " << JsonString(changed[i].name)
                     << ", \"value\": " << JsonString(changed[i].text) << "}";
            }
            mOut << "]\n";
        } else {
            for (const ChangedParam& line : changed) {
                mOut << line.name << " " << line.text << "\n";
            }
        }
        return code;
    }

    void ScenesList() {
        const ModelSet& model = mSession.Model();
        if (mOptions.json) {
            mOut << "[";
        }
        for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
            const std::string name = tonvia::platform::WideToUtf8(model.sceneNames[At(scene - 1)]);
            const bool stored = ((model.validSceneMask >> (scene - 1)) & 1) != 0;
            if (mOptions.json) {
                mOut << (scene == 1 ? "" : ", ") << "{\"number\": " << scene
                     << ", \"name\": " << JsonString(name)
                     << ", \"stored\": " << (stored ? "true" : "false") << "}";
            } else {
                mOut << scene << (scene < 10 ? "   " : "  ")
                     << (stored         ? name
                         : name.empty() ? "(empty)"
                                        : name + " (empty)")
                     << "\n";
            }
        }
        if (mOptions.json) {
            mOut << "]\n";
        }
    }

    int Scene(const Job& job) {
        ModelSet& model = mSession.Model();
        CHidDevice& link = mSession.Link();
        // Replies of earlier edits first: a scene saved now holds them.
        if (const int code = Drain(); code != kExitDone) {
            return code;
        }
        if (job.command == Command::SceneLoad) {
            const bool loaded =
                tuning::LoadStoredScene(mSession, job.scene, tuning::PlanStateRead(model));
            mSession.ProcessReports();
            if (!loaded) {
                mConsole.Error("the amplifier did not load scene " + std::to_string(job.scene));
                return kExitDevice;
            }
            mOut << "scene " << job.scene << " loaded\n";
            return kExitDone;
        }
        if (job.command == Command::SceneDelete) {
            if (!tuning::DeleteStoredScene(link, job.scene)) {
                mConsole.Error("the amplifier did not delete scene " + std::to_string(job.scene));
                return kExitDevice;
            }
            model.sceneNames[At(job.scene - 1)].clear();
            mOut << "scene " << job.scene << " deleted\n";
            return kExitDone;
        }
        // As the scene dialog: no two scenes share a name.
        for (int other = 1; other <= kStoredSceneCount && !job.sceneName.empty(); ++other) {
            if (other != job.scene && model.sceneNames[At(other - 1)] == job.sceneName) {
                std::string text = English("${same_name_tips}");
                const std::string name = tonvia::platform::WideToUtf8(job.sceneName);
                text.replace(text.find("%s"), 2, name);
                text.replace(text.find("%d"), 2, std::to_string(other));
                text.replace(text.find("%s"), 2, name);
                mConsole.Error(text);
                return kExitArguments;
            }
        }
        const auto bytes = tuning::SceneNameToDevice(job.sceneName, model.nameCodePage);
        if (!tuning::SaveWorkingScene(link, job.scene, bytes)) {
            mConsole.Error("the amplifier did not save scene " + std::to_string(job.scene));
            return kExitDevice;
        }
        model.sceneNames[At(job.scene - 1)] = job.sceneName;
        mOut << English("${save_scene_ok}") << "\n";
        return kExitDone;
    }

    // The ten stored scenes from the device, then the working scene again, as the window
    // does before it writes a whole profile.
    int ReadStoredScenes() {
        std::array<tuning::StateReadPlan, kStoredSceneCount> plans{};
        for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
            ModelSet view;
            view.live = mSession.Model().stored[At(scene - 1)];
            plans[At(scene - 1)] = tuning::PlanStateRead(view);
        }
        const auto live = tuning::PlanStateRead(mSession.Model());
        const auto read =
            tuning::ReadAllScenes(mSession.Link(), plans, {}, nullptr, mTimings.sceneReadSettle);
        if (!read.disconnected) {
            tuning::PC_UI_Status_Init(mSession, live);
        }
        mSession.ProcessReports();
        if (!read.Complete()) {
            mConsole.Error(English("${scene_transfer_fail}"));
            return kExitDevice;
        }
        return kExitDone;
    }

    int ProfileSave(const Job& job) {
        if (job.wholeProfile) {
            if (const int code = ReadStoredScenes(); code != kExitDone) {
                return code;
            }
        }
        const auto result = job.wholeProfile
                                ? profiles::WriteWholeProfile(mSession.Model(), job.file)
                                : profiles::WriteSceneProfile(mSession.Model(), job.file);
        if (!result.ok) {
            mConsole.Error(job.file + ": " + English(result.message) +
                           (result.detail.empty() ? "" : " (" + result.detail + ")"));
            return kExitArguments;
        }
        mOut << English(result.message) << "\n";
        return kExitDone;
    }

    // Every parameter in which the file differs from the amplifier, one line each; exit 4
    // when there is any. A whole profile compares the ten stored scenes and names too.
    int Diff(const Job& job) {
        if (job.wholeProfile) {
            if (const int code = ReadStoredScenes(); code != kExitDone) {
                return code;
            }
        }
        ModelSet file = mSession.Model();
        const auto result = job.wholeProfile ? profiles::ReadWholeProfile(job.file, file)
                                             : profiles::ReadSceneProfile(job.file, file);
        if (!result.ok) {
            mConsole.Error(job.file + ": " + English(result.message) +
                           (result.detail.empty() ? "" : " (" + result.detail + ")"));
            return kExitArguments;
        }
        const auto changes = job.wholeProfile ? CompareModels(mSession.Model(), file)
                                              : CompareScenes(mSession.Model().live, file.live);
        int lines = 0;
        for (const ParameterChange& change : changes) {
            if (!tuning::IsTuningParameter(change)) {
                continue;
            }
            if (change.field == "sceneName" && change.scene >= 1 &&
                change.scene <= kStoredSceneCount) {
                // Names are text: the change carries no value of its own.
                const auto name = [&](const ModelSet& m) {
                    // Appended piece by piece: GCC 12's -Wrestrict misreads "..." + string&&.
                    std::string quoted = "\"";
                    quoted += tonvia::platform::WideToUtf8(m.sceneNames[At(change.scene - 1)]);
                    quoted += '"';
                    return quoted;
                };
                mOut << "scene " << change.scene << " name: amplifier " << name(mSession.Model())
                     << ", file " << name(file) << "\n";
            } else {
                mOut << DiffLine(change, "amplifier", "file") << "\n";
            }
            ++lines;
        }
        return lines == 0 ? kExitDone : kExitDiffers;
    }

    // The whole state read a second time: every tuning parameter whose second read differs
    // from the first, one line each; exit 4 when there is any. A link that loses or garbles
    // replies, or another program tuning the amplifier meanwhile, shows here.
    int Verify() {
        const ModelSet first = mSession.Model();
        const tuning::StateReadResult read =
            tuning::ReadLiveStateAgain(mSession.Link(), tuning::PlanStateRead(first));
        mSession.ProcessReports();
        if (read.answered < read.requests) {
            mConsole.Error("the amplifier did not answer " +
                           std::to_string(read.requests - read.answered) + " of " +
                           std::to_string(read.requests) + " requests");
            return kExitDevice;
        }
        const auto changes = tuning::TuningDifferences(first.live, mSession.Model().live);
        for (const ParameterChange& change : changes) {
            mOut << DiffLine(change, "first read", "second read") << "\n";
        }
        return changes.empty() ? kExitDone : kExitDiffers;
    }

    int EqFile(const EqFileJob& job) {
        std::string error;
        const auto drain = [this] { return Drain(); };
        const int code = job.import ? ImportEqFile(mSession, job, drain, mOut, &error)
                                    : ExportEqFile(mSession, job, mOut, &error);
        if (!error.empty()) {
            mConsole.Error(error);
        }
        return code;
    }

    int ProfileLoad(const Job& job) {
        ModelSet& model = mSession.Model();
        const auto result = job.wholeProfile ? profiles::ReadWholeProfile(job.file, model)
                                             : profiles::ReadSceneProfile(job.file, model);
        if (!result.ok) {
            mConsole.Error(job.file + ": " + English(result.message) +
                           (result.detail.empty() ? "" : " (" + result.detail + ")"));
            return kExitArguments;
        }
        if (const int code = Drain(); code != kExitDone) {
            return code;
        }
        CHidDevice& link = mSession.Link();
        const tuning::TransferResult sent = job.wholeProfile
                                                ? tuning::SetReadWholeProfileToMCU(link, model)
                                                : tuning::SetReadCurProfileToMCU(link, model.live);
        mSession.ProcessReports();
        if (!sent.Complete()) {
            mConsole.Error(English("${scene_transfer_fail}"));
            return kExitDevice;
        }
        if (job.wholeProfile) {
            // The device commits the scenes to flash before it answers normally again.
            std::this_thread::sleep_for(mTimings.wholeProfileSettle);
        } else {
            // The page's refresh after a load sends each channel's switches again.
            tuning::ResendChannelSwitches(mSession);
        }
        mOut << "profile loaded from " << job.file << "\n";
        return kExitDone;
    }

    DeviceBackend& mBackend;
    Console& mConsole;
    const Options& mOptions;
    const CliTimings& mTimings;
    std::ostream& mOut;
    Session mSession;
};

}  // namespace

std::string UsageText() {
    return "usage: tonvia-cli [--demo | --demo-state FILE] [--trace] [--json] COMMAND\n"
           "\n"
           "options:\n"
           "  --demo              use the built-in virtual amplifier\n"
           "  --demo-state FILE   the virtual amplifier with its state kept in FILE (JSON)\n"
           "  --trace             print every report written and read on standard error\n"
           "  --json              print data as JSON\n"
           "  --help              print this text\n"
           "\n"
           "commands:\n"
           "  status                      connection, model, versions, mode\n"
           "  dump                        the whole state as JSON\n"
           "  get PARAM                   a value as the main page shows it\n"
           "  set PARAM VALUE             a value, with the page's rules; prints what changed\n"
           "  scenes list                 the ten stored scenes\n"
           "  scenes load N | save N NAME | delete N\n"
           "  profile save FILE | load FILE   a .spf (scene) or .wpf (whole) profile\n"
           "  diff FILE                       where the amplifier differs from a profile\n"
           "  verify                      reads the state twice; where the two reads differ\n"
           "  eq import CH FILE | export CH FILE   a channel's bands from or to REW or\n"
           "                                       Equalizer APO filter text\n"
           "\n"
           "parameters (channels 1-6, bands 1-31):\n"
           "  master-volume (dB)   master-mute (on/off)   source (name or 1-9)\n"
           "  ch N level (dB)      ch N mute|phase|solo|bypass (on/off)\n"
           "  ch N delay (1.5ms, 35cm, 14in)\n"
           "  ch N eq B freq|q|gain|enable\n"
           "  ch N hp|lp type (butterworth, linkwitz-riley, bessel)\n"
           "  ch N hp|lp slope (off, 6dB ... 48dB)   ch N hp|lp freq (Hz)\n"
           "\n"
           "exit codes: 0 done, 1 the amplifier refused or did not answer, 2 bad arguments\n"
           "or file, 3 no amplifier found or no permission to open it, 4 the amplifier\n"
           "differs from the file (diff) or its two reads differ (verify)\n";
}

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const CliTimings& timings) {
    Console console(err);
    std::string error;
    const auto options = ParseOptions(args, &error);
    if (!options) {
        console.Error(error);
        return kExitArguments;
    }
    if (options->help) {
        out << UsageText();
        return kExitDone;
    }
    Failure failure;
    const auto job = ParseJob(options->words, &failure);
    if (!job) {
        console.Error(failure.message);
        return failure.code;
    }

    std::unique_ptr<DeviceBackend> backend;
    if (options->demo) {
        std::string notice;
        backend = DeviceBackend::Virtual(options->demoState, &notice);
        if (!notice.empty()) {
            console.Error(notice);
            return kExitArguments;
        }
    } else {
        backend = DeviceBackend::Hidapi();
    }

    int code = kExitDone;
    {
        Run run(*backend, console, *options, timings, out);
        code = run.Open();
        if (code == kExitDone) {
            code = run.Execute(*job);
        }
    }  // the link is closed and its threads joined here
    out.flush();
    if (!backend->SaveState(&error)) {
        console.Error("the demo state could not be saved to " + options->demoState + ": " + error);
        return code != kExitDone ? code : kExitArguments;
    }
    return code;
}

}  // namespace tonvia::cli
