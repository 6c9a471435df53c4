#pragma once
// The minimal modal error box and the process-ending steps behind a failed skin, both
// replaceable so that tests can watch them instead of ending the test program.

#include <QString>
#include <functional>

namespace tonvia::ui {

using ErrorBoxHook = std::function<void(const QString& text)>;
using ExitHook = std::function<void(int code)>;
using QuitHook = std::function<void()>;

// An empty hook restores the default (a modal box; ending the process; quitting the loop).
void SetErrorBoxHook(ErrorBoxHook hook);
void SetExitHook(ExitHook hook);
void SetQuitHook(QuitHook hook);

// Shows `text` in a modal error box and returns when the user closes it.
void ShowErrorBox(const QString& text);
// Ends the process with `code` after flushing the log.
void EndProcess(int code);
// Ends the application's message loop (and every modal loop running inside it).
void PostQuitMessage();

// A window whose layout cannot be built: the error box with "加载资源文件失败：" and the
// skin name, then the process ends with code 1.
void FailToLoadSkin(const QString& skinName);

}  // namespace tonvia::ui
