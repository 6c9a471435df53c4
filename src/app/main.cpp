#include "app/run_main_window.h"
#include "app/shell.h"

int main(int argc, char** argv) {
    return Tonvia(argc, argv, [](ShellContext& context) {
        MainWindowOptions options;
        options.closeAfterShow = context.options.startupCheck;
        options.reportStartup = context.options.startupCheck;
        return RunMainWindow(context, options);
    });
}
