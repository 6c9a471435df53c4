// The main window: its frame, the language switch, the single-instance guard, device
// events, messages, keys, closing and the screenshots of its finished look.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "app/device_backend.h"
#include "app/run_main_window.h"
#include "commands/command_codes.h"
#include "main_fixture.h"
#include "model/positions.h"
#include "platform/instance_lock.h"
#include "platform/settings.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace mainpage_testing {
namespace {

bool Reached(const CMainWnd& window, const char* handler) {
    const auto& log = window.HandledLog();
    return std::find(log.begin(), log.end(), handler) != log.end();
}

void PostMenuChoice(const CMainWnd& window, const char* item) {
    auto record = std::make_unique<MenuCommandRecord>();
    record->name = QLatin1String(item);
    tonvia::ui::PostMessageTo(window.GetHWND(), WM_MENU_COMMAND, 0, 0, std::move(record));
}

void PostDevice(const CMainWnd& window, unsigned event, std::uint16_t vid, std::uint16_t pid) {
    auto record = std::make_unique<DeviceChangeRecord>();
    record->path = "/dev/hidraw7";
    record->vendorId = vid;
    record->productId = pid;
    tonvia::ui::PostMessageTo(window.GetHWND(), WM_DEVICECHANGE, event, 0, std::move(record));
}

using MainWindow = MainWindowTest;

TEST_F(MainWindow, FixedSizeWithoutMaximise) {
    for (const auto& [dpi, width, height] :
         {std::tuple{96, 1230, 650}, std::tuple{144, 1845, 975}}) {
        SCOPED_TRACE(dpi);
        CMainWnd& main = Open(dpi);
        QWidget* host = main.GetWidget();
        EXPECT_EQ(host->windowTitle(), QStringLiteral("KR DSP Audio"));
        EXPECT_EQ(host->size(), QSize(width, height));
        EXPECT_EQ(host->minimumSize(), host->maximumSize());
        EXPECT_FALSE(host->windowFlags() & Qt::WindowMaximizeButtonHint);
        host->show();
        main.SendSystemCommand(SC_MAXIMIZE);
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(200, 10), QPointF(200, 10),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(host, &click);
        Pump();
        EXPECT_FALSE(host->isMaximized());
        EXPECT_EQ(host->size(), QSize(width, height));
        Close();
    }
}

TEST_F(MainWindow, LanguageItemsSwitchTheTexts) {
    CMainWnd& main = Open();
    const UiControl option = main.FindControl(QStringLiteral("btn_option"));
    EXPECT_EQ(option.GetText(), QStringLiteral("Options"));
    EXPECT_EQ(main.FindControl(QStringLiteral("soft_version")).GetText(), "Software v6.8.7");

    PostMenuChoice(main, "option_item_language_ru");
    Pump();
    EXPECT_EQ(tonvia::ui::SkinResources::Instance().CurrentLanguage().toLower(), "ru");
    EXPECT_EQ(option.GetText(), Tr("${option}"));
    EXPECT_EQ(option.GetText(), QStringLiteral("Настройки"));
    EXPECT_EQ(main.FindControl(QStringLiteral("soft_version")).GetText(),
              Tr("${soft_version}") + QStringLiteral(" v6.8.7"));
    EXPECT_EQ(main.FindControl(QStringLiteral("inner_fw_version")).GetText(),
              Tr("${inner_fw_version}") + QStringLiteral(" v2.28"));
    EXPECT_EQ(ReadConfigInt("lan", -1), 2);
    // The position buttons follow the language too.
    EXPECT_EQ(main.FindControl(QStringLiteral("ch_output_btn_4")).GetText(),
              Tr("${left_subwoofer_freq}"));

    // The toggle: Russian goes to Chinese, Chinese to English.
    PostMenuChoice(main, "option_item_language");
    Pump();
    EXPECT_EQ(tonvia::ui::SkinResources::Instance().CurrentLanguage().toLower(), "cn_zh");
    EXPECT_EQ(option.GetText(), QStringLiteral("选项"));
    EXPECT_EQ(ReadConfigInt("lan", -1), 1);
    PostMenuChoice(main, "option_item_language");
    Pump();
    EXPECT_EQ(option.GetText(), QStringLiteral("Options"));
    EXPECT_EQ(ReadConfigInt("lan", -1), 0);

    // Choosing the language already shown changes nothing, not even the stored index.
    WriteConfigString("lan", "7");
    PostMenuChoice(main, "option_item_language_en");
    Pump();
    EXPECT_EQ(ReadConfigInt("lan", -1), 7);
}

TEST_F(MainWindow, StoredLanguageIsUsedAtStart) {
    WriteConfigString("lan", "2");
    CMainWnd& main = Open();
    EXPECT_EQ(main.FindControl(QStringLiteral("btn_scene")).GetText(), QStringLiteral("Сцены"));
    Close();
    WriteConfigString("lan", "5");  // no such language: English
    CMainWnd& again = Open();
    EXPECT_EQ(again.FindControl(QStringLiteral("btn_scene")).GetText(), QStringLiteral("Scenes"));
}

TEST_F(MainWindow, SecondInstanceShowsTheBoxAndEnds) {
    const tonvia::platform::InstanceLock first(instanceName);
    ASSERT_TRUE(first.Held());
    CMainWnd& main = Open();
    main.GetWidget()->show();
    Pump();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("${mutex_tips}"));
    EXPECT_FALSE(main.IsFirstInstance());
    EXPECT_FALSE(main.WatchesDevices());
    EXPECT_FALSE(Reached(main, "ConnectDevice"));
    EXPECT_TRUE(main.IsClosing());
    EXPECT_GE(quits, 1);
    EXPECT_TRUE(first.Held());  // the first instance runs on
}

TEST_F(MainWindow, FirstInstanceWatchesTheDevice) {
    amp->Plug();
    CMainWnd& main = Open();
    Pump();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(main.IsFirstInstance());
    EXPECT_TRUE(main.WatchesDevices());
    // The virtual amplifier's removal and arrival arrive through the monitor thread.
    amp->Unplug();
    amp->Plug();
    QElapsedTimer clock;
    clock.start();
    while (!Reached(main, "DevicePlugin") && clock.elapsed() < 5000) {
        Pump();
        QThread::msleep(5);
    }
    EXPECT_TRUE(Reached(main, "DevicePlugOut"));
    EXPECT_TRUE(Reached(main, "DevicePlugin"));
}

TEST_F(MainWindow, UnrelatedDeviceChangesNothing) {
    CMainWnd& main = Open();
    Pump();
    const std::size_t before = main.HandledLog().size();
    PostDevice(main, DBT_DEVICEARRIVAL, 0x046d, 0xc077);            // another vendor
    PostDevice(main, DBT_DEVICEARRIVAL, DEVICE_VENDOR_ID, 0x5751);  // another product
    PostDevice(main, DBT_DEVNODES_CHANGED, DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID);
    Pump();
    EXPECT_EQ(main.HandledLog().size(), before);
    EXPECT_FALSE(main.IsClosing());
    PostDevice(main, DBT_DEVICEREMOVECOMPLETE, DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID);
    Pump();
    EXPECT_TRUE(Reached(main, "DevicePlugOut"));
}

TEST_F(MainWindow, MessagesReachTheirHandlers) {
    bool offered = false;  // the forced update's question, declined
    hooks.askBox = [&](WindowImplBase&, const QString&) { return !(offered = true); };
    CMainWnd& main = Open();
    Pump();
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_CONNECT_FAIL);
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_SET_CONNECTED);
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_FORCE_UPDATE);
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_CLOSE_LOADING);
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_READ_DSP_VALUE, 0, 0);
    Pump();
    for (const char* handler :
         {"OnConnected", "ForceUpdate", "CloseLoading", "ReadDspValueCallback"}) {
        EXPECT_TRUE(Reached(main, handler)) << handler;
    }
    EXPECT_TRUE(offered);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("${device_connect_fail}"));
}

// The settings dialogs open modally from their menu items and button, and the busy window
// runs until the message that closes it.
TEST_F(MainWindow, SettingsDialogsAndTheBusyWindowRunOverTheWindow) {
    CMainWnd& main = Open();
    Pump();
    struct Case {
        const char* window;
        std::function<void()> open;
    };
    const Case cases[] = {
        {"AboutWnd", [&] { PostMenuChoice(main, "option_item_about"); }},
        {"NoiseThresholdWnd", [&] { PostMenuChoice(main, "advance_item_noise_threshold"); }},
        {"MixerWnd", [&] { PostMenuChoice(main, "advance_item_mixer"); }},
        {"AutoCalWnd", [&] { PostMenuChoice(main, "advance_item_autocal"); }},
        {"CSAutoWnd", [&] { PostMenuChoice(main, "advance_item_cs_auto"); }},
        {"CustomEqWnd", [&] { PostMenuChoice(main, "advance_item_custom_eq"); }},
        {"CompressorWnd", [&] { PostMenuChoice(main, "advance_item_compressor"); }},
        {"MemWrWnd",
         [&] { main.FindControl(QStringLiteral("btn_debug")).As<QAbstractButton>()->click(); }},
        {"LoadingWnd", [&] { tonvia::ui::PostMessageTo(main.GetHWND(), WM_SHOW_LOADING); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        auto shown = [&]() -> QWidget* {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == QLatin1String(c.window) && widget->isVisible()) {
                    return widget;
                }
            }
            return nullptr;
        };
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* window = shown();
            if (window == nullptr || seen) {
                return;
            }
            seen = true;
            if (auto* close = window->findChild<QAbstractButton*>(QStringLiteral("closebtn"))) {
                close->click();
            } else {
                tonvia::ui::PostMessageTo(main.GetHWND(), WM_CLOSE_LOADING);
            }
        });
        poll.start();
        c.open();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && !(seen && shown() == nullptr)) {
            Pump();
        }
        EXPECT_TRUE(seen);
        EXPECT_EQ(shown(), nullptr);
    }
}

TEST(FirmwareBoxText, OnlyNumberConversionsAreFilled) {
    EXPECT_EQ(FillDeviceNumbers("DSP %d.%d is newer than %d.%d", 3, 1, 2, 28),
              "DSP 3.1 is newer than 2.28");
    // A text from the skin with other conversions is shown as it stands, never read as one.
    EXPECT_EQ(FillDeviceNumbers("%s %n %d%% %x", 5, 0, 0, 0), "%s %n 5% %x");
    EXPECT_EQ(FillDeviceNumbers("%d %d %d %d %d", 1, 2, 3, 4), "1 2 3 4 %d");
    EXPECT_EQ(FillDeviceNumbers(QString(2000, QLatin1Char('x')), 0, 0, 0, 0).size(), 1023);
}

TEST_F(MainWindow, FocusRulesOfTheStrips) {
    CMainWnd& main = Open();
    main.GetWidget()->show();
    Pump();
    // A delay edit shows its slider in place of the placeholder; another control hides it.
    main.FindControl(QStringLiteral("edit_ch_delay_2")).SetFocus();
    Pump();
    EXPECT_FALSE(main.FindControl(QStringLiteral("slider_ch_delay_2")).Widget()->isHidden());
    EXPECT_TRUE(main.FindControl(QStringLiteral("control_empty_2")).Widget()->isHidden());
    EXPECT_EQ(main.Manager().CurrentChannel(), 2);  // and the channel became current
    main.FindControl(QStringLiteral("edit_main_volume")).SetFocus();
    Pump();
    EXPECT_TRUE(main.FindControl(QStringLiteral("slider_ch_delay_2")).Widget()->isHidden());
    EXPECT_FALSE(main.FindControl(QStringLiteral("control_empty_2")).Widget()->isHidden());

    // Right in the last delay edit goes round to the high-pass frequency.
    QWidget* lastDelay = main.FindControl(QStringLiteral("edit_ch_delay_5")).Widget();
    lastDelay->setFocus();
    Pump();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(lastDelay, &right);
    Pump();
    EXPECT_EQ(QApplication::focusWidget(), main.FindControl(QStringLiteral("hp_freq")).Widget());
    // GEQ mode: right in the master volume goes to the gain of band 0.
    QWidget* volume = main.FindControl(QStringLiteral("edit_main_volume")).Widget();
    volume->setFocus();
    QApplication::sendEvent(volume, &right);
    Pump();
    EXPECT_EQ(QApplication::focusWidget(), main.FindControl(QStringLiteral("eq_gain_0")).Widget());
}

TEST_F(MainWindow, ChannelSelectorMovesTheFrame) {
    CMainWnd& main = Open();
    main.FindControl(QStringLiteral("ch_enable_3")).As<QAbstractButton>()->click();
    Pump();
    EXPECT_EQ(main.Manager().CurrentChannel(), 3);
    EXPECT_EQ(main.FindControl(QStringLiteral("label_channel_name")).GetText(), "CH4");
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_border_top_0")).Widget()->isHidden());
    EXPECT_FALSE(main.FindControl(QStringLiteral("ch_border_top_3")).Widget()->isHidden());
    EXPECT_FALSE(main.FindControl(QStringLiteral("ch_enable_0")).IsSelected());
    EXPECT_TRUE(main.FindControl(QStringLiteral("ch_enable_3")).IsSelected());
}

TEST_F(MainWindow, SourceChoiceShowsItsInputsAndPollsOnlyWhenConnected) {
    CMainWnd& main = Open();
    auto* list = main.FindControl(QStringLiteral("btn_input_source")).As<QListWidget>();
    ASSERT_NE(list, nullptr);
    list->setCurrentRow(0);  // optical: two inputs
    Pump();
    EXPECT_EQ(main.Manager().Live().inputSource, 0);
    EXPECT_FALSE(main.FindControl(QStringLiteral("option_ch_in1_0")).Widget()->isHidden());
    EXPECT_TRUE(main.FindControl(QStringLiteral("option_ch_in2_0")).Widget()->isHidden());
    EXPECT_FALSE(main.HasTimer(GET_MAIN_VOLUME_TIMER));  // nothing to read back unconnected

    main.FindControl(QStringLiteral("btnConnect")).Selected(true, false);
    list->setCurrentRow(kSourceHighLevel);
    Pump();
    EXPECT_FALSE(main.FindControl(QStringLiteral("option_ch_in3_5")).Widget()->isHidden());
    ASSERT_TRUE(main.HasTimer(GET_MAIN_VOLUME_TIMER));
    // Ten reads at most, then the poll ends by itself.
    for (int tick = 0; tick < 10; ++tick) {
        main.OnTimer(GET_MAIN_VOLUME_TIMER);
    }
    EXPECT_TRUE(main.HasTimer(GET_MAIN_VOLUME_TIMER));
    main.OnTimer(GET_MAIN_VOLUME_TIMER);
    EXPECT_FALSE(main.HasTimer(GET_MAIN_VOLUME_TIMER));

    // The device's volume report ends the poll at once and lands in the model.
    list->setCurrentRow(0);
    Pump();
    ASSERT_TRUE(main.HasTimer(GET_MAIN_VOLUME_TIMER));
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_READ_DSP_VALUE, DSP_VOLUME, -12);
    Pump();
    EXPECT_FALSE(main.HasTimer(GET_MAIN_VOLUME_TIMER));
    EXPECT_EQ(main.Manager().Live().mainVolume, -12);
}

TEST_F(MainWindow, KeysAreSwallowedAndClosingQuits) {
    CMainWnd& main = Open();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    EXPECT_TRUE(main.OnKeyDown(&key));
    main.FindControl(QStringLiteral("closebtn")).As<QAbstractButton>()->click();
    Pump();
    EXPECT_TRUE(Reached(main, "Close"));
    EXPECT_GE(quits, 1);
    EXPECT_FALSE(main.WatchesDevices());
}

TEST_F(MainWindow, DisplayChangeStartsAgain) {
    CMainWnd& main = Open();
    tonvia::ui::PostMessageTo(main.GetHWND(), WM_DISPLAYCHANGE);
    Pump();
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(main.IsClosing());
}

TEST_F(MainWindow, ShotsInEachLanguageAndScale) {
    struct Language {
        const char* item;
        const char* tag;
    };
    const Language languages[] = {{"option_item_language_en", "en"},
                                  {"option_item_language_cn", "cn_zh"},
                                  {"option_item_language_ru", "ru"}};
    for (const int dpi : {96, 144}) {
        for (const Language& language : languages) {
            SCOPED_TRACE(std::string(language.tag) + " " + std::to_string(dpi));
            CMainWnd& main = Open(dpi);
            PostMenuChoice(main, language.item);
            Pump();
            const QString suffix =
                QStringLiteral("%1_%2").arg(QLatin1String(language.tag)).arg(dpi * 100 / 96);
            Shot(QStringLiteral("main_") + suffix);
            struct MenuShot {
                CMainWnd::Menu menu;
                const char* anchor;
                const char* name;
            };
            const MenuShot menus[] = {
                {CMainWnd::Menu::Option, "btn_option", "option"},
                {CMainWnd::Menu::Scene, "btn_scene", "scene"},
                {CMainWnd::Menu::Advance, "btn_advance", "advance"},
                {CMainWnd::Menu::Output, "ch_output_btn_0", "output"},
                {CMainWnd::Menu::DelayLink, "delay_link_0", "delay_link"},
            };
            for (const MenuShot& shot : menus) {
                CMenuWnd* menu =
                    main.ShowMenu(shot.menu, main.FindControl(QLatin1String(shot.anchor)));
                ASSERT_NE(menu, nullptr) << shot.name;
                Pump();
                EXPECT_TRUE(menu->grab().save(QStringLiteral(TONVIA_SHOTS_DIR "/menu_") +
                                              QLatin1String(shot.name) + QLatin1Char('_') + suffix +
                                              QStringLiteral(".png")));
                menu->close();
                Pump();
            }
            Close();
            WriteConfigString("lan", "0");
        }
    }
}

TEST(StartUp, DemoRunShowsTheMainWindowAndEnds) {
    tonvia::ui::SetQuitHook({});
    MainWindowOptions run;
    run.closeAfterShow = true;
    run.hooks.dpi = 96;
    run.hooks.instanceName = "TONVIA_TEST_RUN";
    int runs = 0;
    const char* argv[] = {"tonvia", "--demo"};
    const int code = Tonvia(2, argv, [&](ShellContext& context) {
        ++runs;
        EXPECT_TRUE(context.options.demo);
        EXPECT_STREQ(context.backend.Name(), "virtual amplifier");
        return RunMainWindow(context, run);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace mainpage_testing
