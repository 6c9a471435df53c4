#include "app/shell.h"
#include "mainpage/run_main_window.h"

int main(int argc, char** argv) {
    return Tonvia(argc, argv, [](ShellContext& context) { return RunMainWindow(context); });
}
