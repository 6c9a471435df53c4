#include "app/shell.h"
#include "mainpage/run_main_window.h"

int main(int argc, char** argv) {
    return Tonvia(argc, argv, [](ShellContext& context) {
        MainWindowOptions options;
        options.closeAfterShow = context.options.startupCheck;
        options.reportStartup = context.options.startupCheck;
        return RunMainWindow(context, options);
    });
}
