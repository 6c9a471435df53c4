// The message box, the two-choice box, the about box and the link selection: what their
// callers get back and what they show.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>

#include "dialog_fixture.h"
#include "dialogs/about_wnd.h"
#include "dialogs/link_sel_wnd.h"
#include "dialogs/msg_wnd.h"

namespace {

using namespace dialog_testing;

struct ButtonCase {
    const char* name;
    int count;
    const char* click;
    int expectedCode;
    bool cancelShown;
    bool thirdShown;
};

class MessageBoxButtons : public DialogTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(MessageBoxButtons, ShowOnlyTheRequestedButtonsAndCloseWithTheirCode) {
    const ButtonCase& c = GetParam();
    bool checked = false;
    WhenShown(QStringLiteral("MsgWnd"), [&](QWidget* window) {
        checked = true;
        EXPECT_FALSE(Child(window, QStringLiteral("confirm_btn"))->isHidden());
        EXPECT_EQ(!Child(window, QStringLiteral("cancel_btn"))->isHidden(), c.cancelShown);
        EXPECT_EQ(!Child(window, QStringLiteral("third_btn"))->isHidden(), c.thirdShown);
        EXPECT_EQ(
            qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("confirm_btn")))->text(),
            QStringLiteral("Default"));
        if (c.thirdShown) {
            EXPECT_EQ(
                qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("third_btn")))->text(),
                QStringLiteral("Clear All"));
        }
        qobject_cast<QAbstractButton*>(Child(window, QString::fromLatin1(c.click)))->click();
    });
    const int code = CMsgWnd::ShowMessageEx(
        nullptr, QStringLiteral("${tips}"), QStringLiteral("${empty_output_tips}"),
        {QStringLiteral("${default}"), QStringLiteral("${cancel}"), QStringLiteral("${emptied}")},
        c.count);
    EXPECT_TRUE(checked);
    EXPECT_EQ(code, c.expectedCode);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, MessageBoxButtons,
    ::testing::Values(ButtonCase{"OneConfirm", 1, "confirm_btn", 1, false, false},
                      ButtonCase{"OneClose", 1, "closebtn", 0, false, false},
                      ButtonCase{"TwoCancel", 2, "cancel_btn", 0, true, false},
                      ButtonCase{"ThreeThird", 3, "third_btn", 2, true, true},
                      ButtonCase{"ThreeConfirm", 3, "confirm_btn", 1, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogTest, ShowMessageKeepsTheSkinsButtonsAndTitleWhenGivenNone) {
    WhenShown(QStringLiteral("MsgWnd"), [](QWidget* window) {
        EXPECT_EQ(qobject_cast<QLabel*>(Child(window, QStringLiteral("MessageTitle")))->text(),
                  QStringLiteral("Notice"));
        EXPECT_EQ(qobject_cast<QLabel*>(Child(window, QStringLiteral("MessageText")))->text(),
                  QStringLiteral("Profile saved."));
        EXPECT_FALSE(Child(window, QStringLiteral("cancel_btn"))->isHidden());
        EXPECT_TRUE(Child(window, QStringLiteral("third_btn"))->isHidden());
        qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("confirm_btn")))->click();
    });
    EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, QString(), QStringLiteral("${profile_save_ok}")), 1);
}

TEST_F(DialogTest, CheckChoiceStaysOpenUntilAnOptionIsChosen) {
    int step = 0;
    WhenShown(QStringLiteral("MsgCheckBoxWnd"), [&](QWidget* window) {
        auto* confirm =
            qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("confirm_btn")));
        confirm->click();
        step = 1;
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(
            qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("check_box_1")))->text(),
            QStringLiteral("Copy right to left"));
        qobject_cast<QAbstractButton*>(Child(window, QStringLiteral("check_box_1")))->click();
        confirm->click();
        step = 2;
    });
    const int code = CMsgCheckBoxWnd::ShowCheckChoice(
        nullptr, QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
        {QStringLiteral("${copy_left_to_right}"), QStringLiteral("${copy_right_to_left}")});
    EXPECT_EQ(step, 2);
    EXPECT_EQ(code, 2);
}

TEST_F(DialogTest, CheckChoiceUsesTheLabelsOnlyWhenBothAreGiven) {
    auto half = Open(std::make_unique<CMsgCheckBoxWnd>(
        QString(), QString(), QStringList{QStringLiteral("A"), QString()}));
    EXPECT_EQ(half->FindControl(QStringLiteral("check_box_0")).GetText(),
              QStringLiteral("Copy left to right"));
    auto both = Open(std::make_unique<CMsgCheckBoxWnd>(
        QString(), QString(), QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(both->FindControl(QStringLiteral("check_box_0")).GetText(), QStringLiteral("A"));
    EXPECT_EQ(both->FindControl(QStringLiteral("check_box_1")).GetText(), QStringLiteral("B"));
}

TEST_F(DialogTest, AboutBoxWithoutADeviceShowsTheModelNameOnly) {
    auto about = Open(std::make_unique<CAboutWnd>(AboutDeviceInfo{}));
    EXPECT_EQ(about->FindControl(QStringLiteral("fw_version")).GetText(), QStringLiteral("PVQ-6 "));
    EXPECT_EQ(about->FindControl(QStringLiteral("soft_version")).GetText(),
              QStringLiteral("Software v6.8.7"));
    EXPECT_EQ(about->FindControl(QStringLiteral("inner_fw_version")).GetText(),
              QStringLiteral("Built-in firmware v2.28"));
    UiControl company = about->FindControl(QStringLiteral("company_title"));
    EXPECT_FALSE(company.IsVisible());
    EXPECT_EQ(company.GetText(), QStringLiteral("KR DSP Audio"));
}

TEST_F(DialogTest, AboutBoxNamesTheConnectedFirmwareInTheCurrentLanguage) {
    SelectLanguage(QStringLiteral("ru"));
    auto about = Open(std::make_unique<CAboutWnd>(AboutDeviceInfo{77, 2, 30}));
    UiControl firmware = about->FindControl(QStringLiteral("fw_version"));
    EXPECT_TRUE(firmware.IsVisible());
    EXPECT_EQ(firmware.GetText(), QStringLiteral("PVQ-6 Прошивка v2.30"));
}

TEST_F(DialogTest, LinkSelectionConfirmsOnlyAPairWithASide) {
    auto dialog = Open(std::make_unique<CMsgLinkSelWnd>(std::vector<OutputPair>{{0, 1}, {4, 5}}));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("check_box_1")).GetText(),
              QStringLiteral("CH5 -> CH6"));
    EXPECT_FALSE(dialog->FindControl(QStringLiteral("check_box_2")).IsVisible());
    UiControl confirm = dialog->FindControl(QStringLiteral("confirm_btn"));
    EXPECT_FALSE(confirm.IsEnabled());

    dialog->FindControl(QStringLiteral("check_box_1")).Selected(true);
    EXPECT_FALSE(confirm.IsEnabled());  // no side yet
    dialog->FindControl(QStringLiteral("check_box_right")).Selected(true);
    ASSERT_TRUE(confirm.IsEnabled());
    confirm.As<QAbstractButton>()->click();
    EXPECT_TRUE(dialog->IsClosing());
    ASSERT_TRUE(dialog->Selection().has_value());
    EXPECT_EQ(dialog->Selection()->pairs, (std::vector<OutputPair>{{4, 5}}));
    EXPECT_FALSE(dialog->Selection()->leftToRight);
}

TEST_F(DialogTest, LinkSelectionCancelledGivesNoChoice) {
    ClickWhenShown(QStringLiteral("CMsgLinkSelWnd"), QStringLiteral("cancel_btn"));
    EXPECT_FALSE(CMsgLinkSelWnd::ShowLinkSelect(nullptr, {{0, 1}}).has_value());
}

}  // namespace
