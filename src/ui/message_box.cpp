#include "ui/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "platform/log.h"

namespace tonvia::ui {
namespace {

ErrorBoxHook& ErrorBox() {
    static ErrorBoxHook hook;
    return hook;
}
ExitHook& Exit() {
    static ExitHook hook;
    return hook;
}
QuitHook& Quit() {
    static QuitHook hook;
    return hook;
}

}  // namespace

void SetErrorBoxHook(ErrorBoxHook hook) {
    ErrorBox() = std::move(hook);
}
void SetExitHook(ExitHook hook) {
    Exit() = std::move(hook);
}
void SetQuitHook(QuitHook hook) {
    Quit() = std::move(hook);
}

void ShowErrorBox(const QString& text) {
    // The box may wait long and the program be killed meanwhile: what led to it is in the file.
    FlushLog();
    if (ErrorBox()) {
        ErrorBox()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("KR DSP Audio"), text, QMessageBox::Ok);
    box.exec();
}

void EndProcess(int code) {
    if (Exit()) {
        Exit()(code);
        return;
    }
    CloseLog();
    std::fflush(nullptr);
    // Widgets and threads are still alive here; running static destructors could touch them.
    std::_Exit(code);
}

void PostQuitMessage() {
    if (Quit()) {
        Quit()();
        return;
    }
    QCoreApplication::quit();
}

void FailToLoadSkin(const QString& skinName) {
    LogPrintA("load skin %s failed\n", skinName.toUtf8().constData());
    ShowErrorBox(QStringLiteral("加载资源文件失败：") + skinName);
    EndProcess(1);
}

}  // namespace tonvia::ui
