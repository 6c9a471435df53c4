#include "app/shell.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <string_view>

#include "app/device_backend.h"
#include "app/udev_rule.h"
#include "link/hid_device.h"
#include "model/product.h"
#include "platform/instance_lock.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "tuning/session.h"
#include "ui/language.h"

ShellOptions ParseShellOptions(int argc, const char* const* argv) {
    ShellOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        constexpr std::string_view kDemoState = "--demo-state";
        if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--startup-check") {
            options.startupCheck = true;
        } else if (arg == kDemoState || arg.starts_with("--demo-state=")) {
            std::string_view path;
            if (arg == kDemoState) {
                if (i + 1 < argc) {
                    path = argv[++i];
                }
            } else {
                path = arg.substr(kDemoState.size() + 1);
            }
            if (path.empty()) {
                options.error = "--demo-state needs a file name";
            } else {
                options.demo = true;
                options.demoState = std::string(path);
            }
        } else if (arg == "--print-udev-rule") {
            options.printUdevRule = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            options.error = "unknown option: " + std::string(arg);
        }
    }
    return options;
}

void StartDebugLog() {
    if (!IsLocalFileExist("savelog.ini")) {
        return;
    }
    const std::string path = tonvia::platform::WorkingDirectory() + "/save.log";
    InitConsoleWindow(path);
    if (IsLogOpen()) {
        FlushLogAtProcessEnd();
    }
    LogPrint(L"InitConsoleWindow OK!\n");
    LogPrint(L"MODEL_NAME: %s\n", MODEL_NAME);
    LogPrint(L"MODEL_ID: %d\n", MODEL_ID);
    LogPrint(L"VERSION: %s\n", VERSION);
    LogPrint(L"INNER_FW: %d, %d\n", INNER_FW_MAJOR, INNER_FW_MINOR);
}

namespace {

// Until the main window exists, the shell keeps only what the handshake reports.
class HandshakeSink final : public WindowMessageSink {
  public:
    struct Handshake {
        int model = 0;
        int mainVersion = 0;
        int slaveVersion = 0;
    };

    bool PostWindowMessage(WindowHandle, WindowMessage message) override {
        const auto* record = dynamic_cast<const McuHandshakeRecord*>(message.record.get());
        if (message.message == WM_READ_MCU_VALUE && message.wParam == MCU_HANDSHAKE &&
            record != nullptr) {
            std::lock_guard lock(mMutex);
            mHandshake = Handshake{record->model, record->mainVersion, record->slaveVersion};
        }
        return true;
    }
    std::optional<Handshake> Get() {
        std::lock_guard lock(mMutex);
        return mHandshake;
    }

  private:
    std::mutex mMutex;
    std::optional<Handshake> mHandshake;
};

constexpr WindowHandle kShellWindow = 1;

// Opens the link once, shakes hands, reports the outcome on one line and closes again.
void ConnectOnce(DeviceBackend& backend, bool demo) {
    const char* prefix = demo ? "demo: " : "";
    const char* device = demo ? "the virtual amplifier" : "the amplifier";
    HandshakeSink sink;
    CHidDevice link(backend.Hid(), sink);
    tonvia::tuning::ConfigureLink(link);
    link.mMainWnd = kShellWindow;
    link.OpenHIDDevice();
    if (!link.IsConnected()) {
        LogPrintA("no amplifier found\n");
        std::printf("%sno amplifier connected\n", prefix);
        return;
    }
    link.PC_Connect(1);
    const bool answered = link.Hand_Connect();
    const auto handshake = sink.Get();
    if (answered && link.mcu_is_normal_mode.load() == 0) {
        LogPrintA("handshake: the device runs its boot loader\n");
        std::printf("%sconnected to %s, which runs its boot loader\n", prefix, device);
    } else if (handshake) {
        LogPrintA("handshake: model %d, firmware %d.%d\n", handshake->model, handshake->mainVersion,
                  handshake->slaveVersion);
        std::printf("%sconnected to %s, model %d, firmware %d.%d\n", prefix, device,
                    handshake->model, handshake->mainVersion, handshake->slaveVersion);
    } else {
        LogPrintA("handshake failed\n");
        std::printf("%s%s did not answer the handshake\n", prefix, device);
    }
    link.CloseHIDDevice(true);
}

}  // namespace

int Tonvia(int argc, const char* const* argv, const WindowRunner& runWindows) {
    const ShellOptions options = ParseShellOptions(argc, argv);
    if (options.help || !options.error.empty()) {
        std::FILE* out = options.help ? stdout : stderr;
        if (!options.error.empty()) {
            std::fprintf(out, "tonvia: %s\n", options.error.c_str());
        }
        std::fprintf(out,
                     "usage: tonvia [--demo] [--demo-state FILE]\n"
                     "  --demo              run against the built-in virtual amplifier\n"
                     "  --demo-state FILE   keep the virtual amplifier's state in FILE (JSON)\n"
                     "                      between runs; implies --demo\n"
                     "  --startup-check     open the main window, print the time to it and the\n"
                     "                      peak memory, and close again\n"
                     "  --print-udev-rule   print the udev rule that lets the user at the seat\n"
                     "                      open the amplifier without root\n");
        return options.help ? 0 : 2;
    }
    if (options.printUdevRule) {
        std::fputs(kUdevRule, stdout);
        return 0;
    }

    StartDebugLog();

    // The shell steps that need no window: the stored language and the single-instance
    // guard. The window steps join them when the main window exists.
    const int lan = ReadConfigInt("lan", 0);
    const auto language = LanguageForIndex(lan);
    LogPrintA("language %d (%s)\n", lan, language ? language->name : "none");

    // With windows, the main window holds the guard (it has to show its box).
    std::optional<tonvia::platform::InstanceLock> instance;
    if (!runWindows) {
        char mutexName[64];
        std::snprintf(mutexName, sizeof mutexName, INSTANCE_MUTEX_FORMAT, MODEL_NAME);
        instance.emplace(mutexName);
        if (instance->AlreadyExisted()) {
            LogPrintA("another instance is running\n");
            std::fprintf(stderr, "tonvia: another instance is already running\n");
            return 0;
        }
    }
    LogPrintA("shell ready%s\n", options.demo ? " (demo)" : "");

    std::string notice;
    const auto backend = MakeDeviceBackend(options, &notice);
    if (!notice.empty()) {
        LogPrintA("%s\n", notice.c_str());
        std::fprintf(stderr, "tonvia: %s\n", notice.c_str());
    }
    LogPrintA("HID backend: %s\n", backend->Name());
    int code = 0;
    if (runWindows) {
        ShellContext context{options, *backend};
        code = runWindows(context);
    } else {
        ConnectOnce(*backend, options.demo);
    }

    std::string error;
    if (!backend->SaveState(&error)) {
        LogPrintA("demo state not saved: %s\n", error.c_str());
        std::fprintf(stderr, "tonvia: the demo state could not be saved to %s: %s\n",
                     options.demoState.c_str(), error.c_str());
    }
    std::fflush(stdout);
    CloseLog();
    return code;
}
