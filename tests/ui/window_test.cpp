// The window base: building from the skin, notifications of the controls, closing rules,
// modal runs and the display scale.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "support/log_capture.h"
#include "ui/display_scale.h"
#include "ui/sbutton.h"
#include "ui/screen_dpi.h"
#include "ui_fixture.h"

namespace {

using ui_testing::Note;
using ui_testing::TestDialog;

class WindowBuild : public ui_testing::SkinTest {};

TEST_F(WindowBuild, FindsControlsByNameAndRunsOnInitOnce) {
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->initCount, 1);
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("value_edt")));
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("no_such_control")));
    EXPECT_FALSE(dialog->FindControl(QString()));
    EXPECT_NE(dialog->GetHWND(), kNoWindow);
    EXPECT_EQ(UiControl(dialog->FindControl(QStringLiteral("eq_curve"))).GetClass(),
              QStringLiteral("UIEqualizer"));
    EXPECT_NE(dialog->FindControl(QStringLiteral("switch_btn")).As<CSButtonUI>(), nullptr);
}

struct BadSkinCase {
    const char* skinName;
};

class WindowBadSkin : public ui_testing::SkinTest,
                      public ::testing::WithParamInterface<BadSkinCase> {};

TEST_P(WindowBadSkin, StopsTheProgramWithTheSkinName) {
    const QString skin = QString::fromLatin1(GetParam().skinName);
    auto dialog = std::make_unique<TestDialog>(QStringLiteral("TestDlg"), skin);
    EXPECT_FALSE(dialog->Create(nullptr, QStringLiteral("testwnd")));
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0], QString::fromUtf8("加载资源文件失败：") + skin);
    EXPECT_EQ(exitCodes, std::vector<int>{1});
    EXPECT_EQ(dialog->GetWidget(), nullptr);
    EXPECT_EQ(dialog->initCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Skins, WindowBadSkin,
                         ::testing::Values(BadSkinCase{"XML_NOT_MAPPED"},
                                           BadSkinCase{"XML_TEST_MISSING"},
                                           BadSkinCase{"XML_TEST_BROKEN"}));

// Notifications raised by the controls, driven as a user would.
class WindowNotify : public ui_testing::SkinTest {
  protected:
    void SetUp() override {
        SkinTest::SetUp();
        dialog = MakeDialog();
        dialog->ShowWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog->GetWidget()));
        dialog->notes.clear();
    }
    void TearDown() override {
        dialog.reset();
        SkinTest::TearDown();
    }
    template <class T>
    T* Get(const char* name) {
        T* widget = dialog->FindControl(QString::fromLatin1(name)).As<T>();
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    std::unique_ptr<TestDialog> dialog;
};

struct ArrowCase {
    Qt::Key key;
    const char* type;
};

class EditArrows : public WindowNotify, public ::testing::WithParamInterface<ArrowCase> {};

TEST_P(EditArrows, RaiseTheirNotificationAndLeaveTheCaret) {
    auto* edit = Get<QLineEdit>("value_edt");
    edit->setCursorPosition(2);
    QTest::keyClick(edit, GetParam().key);
    EXPECT_EQ(edit->cursorPosition(), 2);
    EXPECT_EQ(edit->text(), QStringLiteral("12345"));
    EXPECT_EQ(dialog->NotesOf(QString::fromLatin1(GetParam().type)),
              (std::vector<Note>{{QString::fromLatin1(GetParam().type), "value_edt", 0}}));
}

INSTANTIATE_TEST_SUITE_P(Keys, EditArrows,
                         ::testing::Values(ArrowCase{Qt::Key_Up, "valuechangedup"},
                                           ArrowCase{Qt::Key_Down, "valuechangeddown"},
                                           ArrowCase{Qt::Key_Left, "valuechangedleft"},
                                           ArrowCase{Qt::Key_Right, "valuechangedright"}));

TEST_F(WindowNotify, EnterInAnEditRaisesReturn) {
    auto* edit = Get<QLineEdit>("value_edt");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("return")).size(), 2u);
    EXPECT_FALSE(dialog->IsClosing());
}

TEST_F(WindowNotify, TabMovesTheFocusWithKillAndSetFocus) {
    QApplication::setActiveWindow(dialog->GetWidget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog->GetWidget()));
    auto* first = Get<QLineEdit>("value_edt");
    first->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(first->hasFocus());
    dialog->notes.clear();
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(Get<QLineEdit>("other_edt")->hasFocus());
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("killfocus")),
              (std::vector<Note>{{"killfocus", "value_edt", 0}}));
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("setfocus")),
              (std::vector<Note>{{"setfocus", "other_edt", 0}}));
}

TEST_F(WindowNotify, SliderWheelAndDrag) {
    auto* slider = Get<QSlider>("volume_slider");
    // A wheel notch: one "valuechanged" with the new value.
    const QPointF at(slider->width() / 2.0, slider->height() / 2.0);
    QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    ASSERT_EQ(dialog->NotesOf(QStringLiteral("valuechanged")).size(), 1u);
    const int afterWheel = slider->value();
    EXPECT_GT(afterWheel, 0);
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("valuechanged"))[0].wParam,
              static_cast<std::uintptr_t>(afterWheel));

    // A drag of the thumb: live values, then one "valuechanged" at the release.
    dialog->notes.clear();
    slider->setSliderDown(true);
    slider->setSliderPosition(40);
    slider->setSliderPosition(60);
    slider->setSliderDown(false);
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("movevaluechanged")),
              (std::vector<Note>{{"movevaluechanged", "volume_slider", 40},
                                 {"movevaluechanged", "volume_slider", 60}}));
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("valuechanged")),
              (std::vector<Note>{{"valuechanged", "volume_slider", 60}}));

    // The program setting the value raises nothing.
    dialog->notes.clear();
    dialog->FindControl(QStringLiteral("volume_slider")).SetValue(10);
    EXPECT_TRUE(dialog->notes.empty());
}

TEST_F(WindowNotify, OptionsOfAGroupAndSilentSelection) {
    auto* a = Get<QRadioButton>("opt_a");
    auto* b = Get<QRadioButton>("opt_b");
    UiControl optA = dialog->FindControl(QStringLiteral("opt_a"));
    optA.Selected(true, false);
    EXPECT_TRUE(a->isChecked());
    EXPECT_TRUE(dialog->notes.empty());

    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(8, b->height() / 2));
    EXPECT_TRUE(b->isChecked());
    EXPECT_FALSE(a->isChecked());
    const auto changed = dialog->NotesOf(QStringLiteral("selectchanged"));
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("click")), (std::vector<Note>{{"click", "opt_b", 0}}));

    dialog->notes.clear();
    dialog->FindControl(QStringLiteral("box_enable")).Selected(true);
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("selectchanged")),
              (std::vector<Note>{{"selectchanged", "box_enable", 0}}));
}

TEST_F(WindowNotify, CombosAndListsRaiseItemNotifications) {
    UiControl combo = dialog->FindControl(QStringLiteral("mode_combo"));
    EXPECT_TRUE(combo.SelectItem(1));
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("itemselect")),
              (std::vector<Note>{{"itemselect", "mode_combo", 1}}));
    dialog->notes.clear();
    EXPECT_TRUE(combo.SelectItem(0, false));
    EXPECT_EQ(combo.GetCurSel(), 0);
    EXPECT_FALSE(combo.SelectItem(5));
    EXPECT_TRUE(dialog->notes.empty());

    auto* list = Get<QListWidget>("scene_list");
    const QRect second = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("itemclick")),
              (std::vector<Note>{{"itemclick", "scene_list", 1}}));
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("itemselect")),
              (std::vector<Note>{{"itemselect", "scene_list", 1}}));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("itemactivate")).size(), 1u);
}

TEST_F(WindowNotify, EveryNotificationIsLogged) {
    testing_support::LogCapture log;
    QTest::mouseClick(Get<QPushButton>("wide_btn"), Qt::LeftButton);
    EXPECT_NE(log.Text().find("Notify click\n"), std::string::npos);
}

TEST_F(WindowNotify, EscapeLeavesTheDialogOpen) {
    QTest::keyClick(Get<QLineEdit>("value_edt"), Qt::Key_Escape);
    QTest::keyClick(dialog->GetWidget(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->IsClosing());
    EXPECT_TRUE(dialog->GetWidget()->isVisible());
}

// Closing: codes of the common buttons, the close command and self-deletion.
class WindowClose : public ui_testing::SkinTest {};

struct CloseCase {
    const char* button;
    int code;
};

class DialogButtons : public WindowClose, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(DialogButtons, CloseTheModalRunWithTheirCode) {
    bool deleted = false;
    auto* dialog =
        new TestDialog(QStringLiteral("TestDlg"), QStringLiteral("XML_TEST_DIALOG"), &deleted);
    ASSERT_TRUE(dialog->Create(nullptr, QStringLiteral("testwnd")));
    auto* button =
        dialog->FindControl(QString::fromLatin1(GetParam().button)).As<QAbstractButton>();
    ASSERT_NE(button, nullptr);
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    EXPECT_EQ(dialog->ShowModal(), GetParam().code);
    // The dialog deleted itself when its window went away.
    EXPECT_TRUE(deleted);
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogButtons,
                         ::testing::Values(CloseCase{"closebtn", 0}, CloseCase{"confirm_btn", 1},
                                           CloseCase{"cancel_btn", 0}, CloseCase{"third_btn", 2}));

TEST_F(WindowClose, EscapeDuringAModalRunDoesNotEndIt) {
    bool deleted = false;
    auto* dialog =
        new TestDialog(QStringLiteral("MsgWnd"), QStringLiteral("XML_TEST_DIALOG"), &deleted);
    ASSERT_TRUE(dialog->Create(nullptr, QStringLiteral("msgwnd")));
    QWidget* host = dialog->GetWidget();
    bool stillOpen = false;
    QTimer::singleShot(0, host, [&] {
        QTest::keyClick(host, Qt::Key_Escape);
        QTest::keyClick(dialog->FindControl(QStringLiteral("value_edt")).Widget(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        stillOpen = !dialog->IsClosing() && host->isVisible();
        dialog->Close(7);
    });
    EXPECT_EQ(dialog->ShowModal(), 7);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(deleted);
}

TEST_F(WindowClose, BaseWindowClosesWithOneOnItsCloseButton) {
    bool destroyed = false;
    struct Main : ui_testing::TestMainWindow {
        bool* flag;
        explicit Main(bool* f) : flag(f) {}
        ~Main() override { *flag = true; }
    };
    auto* window = new Main(&destroyed);
    // The main-window layout has no close button; add one as a program would.
    ASSERT_TRUE(window->Create(nullptr, QStringLiteral("KR DSP Audio"), false));
    auto* close =
        new QPushButton(window->GetWidget()->findChild<QWidget*>(QStringLiteral("TestMain")));
    close->setObjectName(QStringLiteral("closebtn"));
    window->AdoptControls(close);
    QTimer::singleShot(0, close, [close] { close->click(); });
    EXPECT_EQ(window->ShowModal(), 1);
    EXPECT_TRUE(destroyed);
}

struct CloseCommandCase {
    const char* className;
    bool endsApplication;
};

class CloseCommand : public WindowClose, public ::testing::WithParamInterface<CloseCommandCase> {};

TEST_P(CloseCommand, EndsTheApplicationOnlyFromTheFourDialogs) {
    auto dialog = MakeDialog(QString::fromLatin1(GetParam().className));
    dialog->ShowWindow();
    // What the system sends for Alt+F4 or the frame's close button.
    dialog->GetWidget()->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, GetParam().endsApplication ? 1 : 0);
    EXPECT_EQ(dialog->IsClosing(), !GetParam().endsApplication);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, CloseCommand,
                         ::testing::Values(CloseCommandCase{"AutoCalWnd", true},
                                           CloseCommandCase{"ForceUpdateWnd", true},
                                           CloseCommandCase{"MemWrWnd", true},
                                           CloseCommandCase{"UpdateFwWnd", true},
                                           CloseCommandCase{"AboutWnd", false},
                                           CloseCommandCase{"MsgWnd", false},
                                           CloseCommandCase{"NoiseThresholdWnd", false}));

TEST_F(WindowClose, CloseCommandDuringAModalRunReturnsZero) {
    auto* dialog = new TestDialog(QStringLiteral("AboutWnd"));
    ASSERT_TRUE(dialog->Create(nullptr, QStringLiteral("msgwnd")));
    QWidget* host = dialog->GetWidget();
    QTimer::singleShot(0, host, [host] { host->close(); });
    EXPECT_EQ(dialog->ShowModal(), 0);
    EXPECT_EQ(quits, 0);
}

TEST_F(WindowClose, ModelessWindowDeletesItselfAfterClose) {
    bool deleted = false;
    auto* dialog =
        new TestDialog(QStringLiteral("TestDlg"), QStringLiteral("XML_TEST_DIALOG"), &deleted);
    ASSERT_TRUE(dialog->Create(nullptr, QStringLiteral("testwnd")));
    dialog->ShowWindow();
    dialog->Close(1);
    dialog->Close(2);  // a second close changes nothing
    EXPECT_FALSE(deleted);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(deleted);
}

TEST_F(WindowClose, DialogGoesWithItsParent) {
    bool deleted = false;
    auto parent = std::make_unique<QWidget>();
    auto* dialog =
        new TestDialog(QStringLiteral("TestDlg"), QStringLiteral("XML_TEST_DIALOG"), &deleted);
    ASSERT_TRUE(dialog->Create(parent.get(), QStringLiteral("testwnd")));
    dialog->CenterWindow();
    parent.reset();
    EXPECT_TRUE(deleted);
}

TEST_F(WindowClose, ClickAfterCloseIsIgnored) {
    auto dialog = MakeDialog();
    dialog->Close(1);
    dialog->notes.clear();
    dialog->FindControl(QStringLiteral("wide_btn")).As<QPushButton>()->click();
    EXPECT_TRUE(dialog->notes.empty());
}

// The display scale.
class WindowScale : public ui_testing::SkinTest {};

struct DpiCase {
    int dpi;
    int percent;
};

class ScalePercent : public ::testing::TestWithParam<DpiCase> {};

TEST_P(ScalePercent, IsTheDpiOverNinetySixRounded) {
    EXPECT_EQ(tonvia::ui::ScalePercentForDpi(GetParam().dpi), GetParam().percent);
}

INSTANTIATE_TEST_SUITE_P(Dpis, ScalePercent,
                         ::testing::Values(DpiCase{77, 80}, DpiCase{96, 100}, DpiCase{120, 125},
                                           DpiCase{144, 150}, DpiCase{192, 200},
                                           DpiCase{288, 300}));

TEST(StyleSheetScale, PixelSizesFollowTheScaleAndNothingElseChanges) {
    using tonvia::ui::ScaleStyleSheetPixels;
    const QString sheet = QStringLiteral(
        "QPushButton#btn_2px { border: 1px solid #3B424C; padding: 2px 14px; margin: -6px 0px; "
        "font-size: 10pt; width: 12px; }");
    EXPECT_EQ(ScaleStyleSheetPixels(sheet, 100), sheet);
    EXPECT_EQ(ScaleStyleSheetPixels(sheet, 150),
              QStringLiteral("QPushButton#btn_2px { border: 2px solid #3B424C; padding: 3px 21px; "
                             "margin: -9px 0px; font-size: 10pt; width: 18px; }"));
    // A handle 10 + 2 * 2 wide with radius 7 stays round: 15 + 2 * 3 with radius 10, not 11.
    EXPECT_EQ(ScaleStyleSheetPixels(
                  QStringLiteral("{ border: 2px solid; width: 10px; border-radius: 7px; }"), 150),
              QStringLiteral("{ border: 3px solid; width: 15px; border-radius: 10px; }"));
    // A hairline never vanishes when the scale goes below 100 %.
    EXPECT_EQ(ScaleStyleSheetPixels(QStringLiteral("border: 1px"), 80),
              QStringLiteral("border: 1px"));
}

TEST_F(WindowScale, ControlsAndCustomControlsScaleWithTheDpi) {
    tonvia::ui::SetInterfaceDpi(144);
    auto dialog = MakeDialog();
    QWidget* wide = dialog->FindControl(QStringLiteral("wide_btn")).Widget();
    EXPECT_EQ(wide->width(), 150);
    EXPECT_EQ(wide->height(), 45);
    EXPECT_EQ(wide->x(), 450);
    EXPECT_EQ(dialog->GetWidget()->width(), 630);
    EXPECT_EQ(dialog->Scale(100), 150);
    EXPECT_EQ(dialog->FindControl(QStringLiteral("switch_btn")).As<CSButtonUI>()->ScalePercent(),
              150);
    ui_testing::WriteShot(dialog->GetWidget(), QStringLiteral("test_dialog_150"));
    // Sizes in the layout's style sheet follow the scale both ways.
    auto indicator = [&] {
        auto* box = dialog->FindControl(QStringLiteral("box_enable")).As<QCheckBox>();
        QStyleOptionButton option;
        option.initFrom(box);
        return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).width();
    };
    EXPECT_EQ(indicator(), 18);

    // Back to 100 %: the layout's own values, not a rounding drift.
    dialog->SetDpi(96);
    EXPECT_EQ(wide->width(), 100);
    EXPECT_EQ(indicator(), 12);
    EXPECT_EQ(wide->x(), 300);
    dialog->SetDpi(77);
    EXPECT_EQ(wide->width(), 80);
}

TEST_F(WindowScale, MainWindowFillsAFullHdScreenAtOneAndAHalf) {
    const ScreenInfo screens = MakeScreenInfo(1920, 1080, {0, 0, 1920, 1080}, {{0, 0, 1920, 1080}});
    tonvia::ui::SetInterfaceDpi(GetScreenDpi(screens));
    ui_testing::TestMainWindow window;
    window.SetAutoDelete(false);
    ASSERT_TRUE(window.Create(nullptr, QStringLiteral("KR DSP Audio"), false));
    EXPECT_EQ(window.GetWidget()->width(), 1845);
    EXPECT_EQ(window.GetWidget()->height(), 975);
    window.ShowWindow();
    QWidget* fixed = window.FindControl(QStringLiteral("fixed_btn")).Widget();
    EXPECT_EQ(fixed->size(), QSize(150, 45));
    EXPECT_EQ(window.FindControl(QStringLiteral("title_label")).Widget()->geometry().topLeft(),
              QPoint(15, 15));
    EXPECT_EQ(window.GetWidget()->windowTitle(), QStringLiteral("KR DSP Audio"));
    ui_testing::WriteShot(window.GetWidget(), QStringLiteral("test_main_150"));
}

TEST_F(WindowScale, CaptionButtonsFollowTheMaximisedState) {
    auto dialog = MakeDialog();
    dialog->ShowWindow();
    dialog->SendSystemCommand(SC_MAXIMIZE);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("maxbtn")).IsVisible());
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("restorebtn")).IsVisible());
    dialog->SendSystemCommand(SC_RESTORE);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog->FindControl(QStringLiteral("maxbtn")).IsVisible());
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("restorebtn")).IsVisible());
}

}  // namespace
