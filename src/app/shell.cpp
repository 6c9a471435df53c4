#include "app/shell.h"

#include <cstdio>
#include <string_view>

#include "app/constants.h"
#include "app/language.h"
#include "app/log.h"
#include "app/settings.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"

ShellOptions ParseShellOptions(int argc, const char* const* argv) {
    ShellOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--demo") {
            options.demo = true;
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
    LogPrint(L"InitConsoleWindow OK!\n");
    LogPrint(L"MODEL_NAME: %s\n", MODEL_NAME);
    LogPrint(L"MODEL_ID: %d\n", MODEL_ID);
    LogPrint(L"VERSION: %s\n", VERSION);
    LogPrint(L"INNER_FW: %d, %d\n", INNER_FW_MAJOR, INNER_FW_MINOR);
}

int Tonvia(int argc, const char* const* argv) {
    const ShellOptions options = ParseShellOptions(argc, argv);
    if (options.help || !options.error.empty()) {
        std::FILE* out = options.help ? stdout : stderr;
        if (!options.error.empty()) {
            std::fprintf(out, "tonvia: %s\n", options.error.c_str());
        }
        std::fprintf(out,
                     "usage: tonvia [--demo]\n"
                     "  --demo   run against the built-in virtual amplifier\n");
        return options.help ? 0 : 2;
    }

    StartDebugLog();

    // The shell steps that need no window: the stored language and the single-instance
    // guard. The window steps join them when the main window exists.
    const int lan = ReadConfigInt("lan", 0);
    const auto language = LanguageForIndex(lan);
    LogPrintA("language %d (%s)\n", lan, language ? language->name : "none");

    char mutexName[64];
    std::snprintf(mutexName, sizeof mutexName, INSTANCE_MUTEX_FORMAT, MODEL_NAME);
    const tonvia::platform::InstanceLock instance(mutexName);
    if (instance.AlreadyExisted()) {
        LogPrintA("another instance is running\n");
        std::fprintf(stderr, "tonvia: another instance is already running\n");
        return 0;
    }
    LogPrintA("shell ready%s\n", options.demo ? " (demo)" : "");
    CloseLog();
    return 0;
}
