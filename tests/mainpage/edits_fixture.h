#pragma once
// The main window connected to the virtual amplifier, with the helpers that use its
// controls as the user would and wait for the command queue to reach the amplifier.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QThread>
#include <memory>
#include <vector>

#include "graph/equalizer.h"
#include "main_fixture.h"
#include "mainpage/scene_wnd.h"
#include "ui/menu.h"
#include "ui/window_registry.h"

namespace mainpage_testing {

using tonvia::sim::DeviceState;

class Edits : public MainWindowTest {
  protected:
    CMainWnd& OpenConnected() {
        hooks.askBox = [this](WindowImplBase&, const QString& text) {
            questions.push_back(text);
            return true;
        };
        amp->Plug();
        CMainWnd& main = Open();
        main.GetWidget()->show();
        QElapsedTimer clock;
        clock.start();
        while (!Connected() && clock.elapsed() < 5000) {
            Pump();
            QThread::msleep(2);
        }
        EXPECT_TRUE(Connected());
        return main;
    }
    bool Connected() { return window->FindControl(QStringLiteral("btnConnect")).IsSelected(); }
    // Runs the window until the command queue has written everything to the amplifier.
    DeviceState Settled() {
        QElapsedTimer clock;
        clock.start();
        while (!window->Manager().Device().IsQueueIdle() && clock.elapsed() < 3000) {
            Pump();
            QThread::msleep(1);
        }
        Pump();
        return amp->Snapshot();
    }
    template <class T>
    T* Widget(const QString& name) {
        T* widget = window->FindControl(name).As<T>();
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    void Slide(const char* name, int position) {
        Widget<QAbstractSlider>(QLatin1String(name))->setSliderPosition(position);
    }
    void Click(const char* name) { Widget<QAbstractButton>(QLatin1String(name))->click(); }
    void Type(const char* name, const char* text) {
        auto* edit = Widget<QLineEdit>(QLatin1String(name));
        edit->setText(QString::fromUtf8(text));
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void Key(const char* name, Qt::Key key) {
        QTest::keyClick(Widget<QLineEdit>(QLatin1String(name)), key);
    }
    void Choose(const char* name, int index) {
        Widget<QComboBox>(QLatin1String(name))->setCurrentIndex(index);
    }
    SceneConfig& Live() { return window->Manager().Live(); }
    // A menu item chosen, as the menu window posts it.
    void ChooseItem(const char* item) {
        auto record = std::make_unique<MenuCommandRecord>();
        record->name = QLatin1String(item);
        tonvia::ui::PostMessageTo(window->GetHWND(), WM_MENU_COMMAND, 0, 0, std::move(record));
        Pump();
    }
    // Presses the graph's H handle, moves it `dx` to the right in steps and lets it go;
    // halfway the hand rests `pauseMs`.
    void DragHighPass(int dx, int pauseMs = 0) {
        auto* graph = Widget<UIEqualizer>(QStringLiteral("equalizer"));
        const QPoint from = graph->HpBox().ToRect().center();
        auto mouse = [graph](QEvent::Type type, QPoint at) {
            QMouseEvent event(type, QPointF(at), graph->mapToGlobal(QPointF(at)), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(graph, &event);
        };
        mouse(QEvent::MouseButtonPress, from);
        for (int x = 10; x <= dx; x += 10) {
            mouse(QEvent::MouseMove, from + QPoint(x, 0));
            if (pauseMs > 0 && x == dx / 20 * 10) {
                QThread::msleep(static_cast<unsigned long>(pauseMs));
                Pump();
            }
        }
        mouse(QEvent::MouseButtonRelease, from + QPoint(dx, 0));
    }

    // Runs the window until the page's worker has ended (a busy window's run ends with it).
    void WaitForWorker(CMainWnd& main) {
        QElapsedTimer clock;
        clock.start();
        while (main.Manager().WorkerRunning() && clock.elapsed() < 30000) {
            Pump();
            QThread::msleep(2);
        }
        Pump();
    }

    // The scene list as the menu opens it, but not modal, so that the test can use it.
    CSceneWnd* OpenScenes(CMainWnd& main, CSceneWnd::Mode mode) {
        auto* scenes = new CSceneWnd(mode, main.Manager());
        EXPECT_TRUE(scenes->Create(main.GetWidget(), QStringLiteral("scenewnd")));
        scenes->ShowWindow();
        WaitForWorker(main);  // the current-scene request
        return scenes;
    }

    // Selects `row` and presses the dialog's confirm button.
    void ConfirmRow(CMainWnd& main, CSceneWnd& scenes, int row) {
        scenes.FindControl(QStringLiteral("listview")).As<QListWidget>()->setCurrentRow(row);
        scenes.FindControl(QStringLiteral("confirm_btn")).As<QAbstractButton>()->click();
        WaitForWorker(main);
    }

    std::vector<QString> questions;
};

}  // namespace mainpage_testing
