// Control operations by name and the switch button.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ui/sbutton.h"
#include "ui_fixture.h"

namespace {

class ControlAccess : public ui_testing::SkinTest {
  protected:
    void SetUp() override {
        SkinTest::SetUp();
        dialog = MakeDialog();
    }
    void TearDown() override {
        dialog.reset();
        SkinTest::TearDown();
    }
    UiControl Find(const char* name) { return dialog->FindControl(QString::fromLatin1(name)); }
    std::unique_ptr<ui_testing::TestDialog> dialog;
};

TEST_F(ControlAccess, NamesClassesAndUserData) {
    struct Row {
        const char* name;
        const char* cls;
    };
    for (const Row row : {Row{"tips_label", "LabelUI"}, Row{"value_edt", "EditUI"},
                          Row{"volume_slider", "SliderUI"}, Row{"opt_a", "OptionUI"},
                          Row{"box_enable", "CheckBoxUI"}, Row{"mode_combo", "ComboUI"},
                          Row{"scene_list", "ListUI"}, Row{"wide_btn", "ButtonUI"},
                          Row{"switch_btn", "SButtonUI"}, Row{"eq_curve", "UIEqualizer"}}) {
        UiControl control = Find(row.name);
        ASSERT_TRUE(control) << row.name;
        EXPECT_EQ(control.GetName(), QString::fromLatin1(row.name));
        EXPECT_EQ(control.GetClass(), QString::fromLatin1(row.cls)) << row.name;
    }
    EXPECT_EQ(Find("ch_mute_3").GetUserData(), QStringLiteral("3"));
    EXPECT_EQ(Find("ch_mute_3").GetUserData().toInt(), 3);
    EXPECT_EQ(Find("wide_btn").GetUserData(), QString());
}

TEST_F(ControlAccess, SliderRangeAndStep) {
    UiControl slider = Find("volume_slider");
    EXPECT_EQ(slider.GetMinValue(), 0);
    EXPECT_EQ(slider.GetMaxValue(), 100);
    EXPECT_EQ(slider.GetStep(), 1);
    slider.SetMinValue(-60);
    slider.SetValue(-100);  // clamped by the slider
    EXPECT_EQ(slider.GetValue(), -60);
    slider.SetValue(42);
    EXPECT_EQ(slider.GetValue(), 42);
    EXPECT_TRUE(dialog->notes.empty());
}

TEST_F(ControlAccess, VisibleEnabledAndColours) {
    UiControl label = Find("plain_label");
    label.SetVisible(false);
    EXPECT_FALSE(label.IsVisible());
    label.SetVisible(true);
    EXPECT_TRUE(label.IsVisible());
    label.SetEnabled(false);
    EXPECT_FALSE(label.IsEnabled());
    label.SetTextColor(0xFF888888);
    label.SetDisabledTextColor(0x80102030);
    const QPalette palette = label.Widget()->palette();
    EXPECT_EQ(palette.color(QPalette::Active, QPalette::WindowText).rgba(), 0xFF888888u);
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::WindowText).rgba(), 0x80102030u);
}

TEST_F(ControlAccess, FocusSelectsTheWholeText) {
    dialog->ShowWindow();
    QApplication::setActiveWindow(dialog->GetWidget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog->GetWidget()));
    UiControl edit = Find("other_edt");
    edit.SetFocusSelectAll();
    auto* line = edit.As<QLineEdit>();
    EXPECT_TRUE(line->hasFocus());
    EXPECT_EQ(line->selectedText(), QStringLiteral("-40dBu"));
}

TEST_F(ControlAccess, AMissingControlDoesNothing) {
    UiControl none = Find("nope");
    EXPECT_FALSE(none);
    none.SetText(QStringLiteral("x"));
    none.SetValue(3);
    none.Selected(true);
    none.SetVisible(true);
    EXPECT_EQ(none.GetText(), QString());
    EXPECT_EQ(none.GetValue(), 0);
    EXPECT_FALSE(none.IsSelected());
    EXPECT_FALSE(none.IsVisible());
    EXPECT_EQ(none.GetCurSel(), -1);
}

TEST_F(ControlAccess, AControlGoneFromItsWindowReadsAsNone) {
    UiControl label = Find("plain_label");
    delete label.Widget();
    EXPECT_FALSE(label);
    label.SetText(QStringLiteral("safe"));
}

// The switch button.
class SwitchButton : public ControlAccess {
  protected:
    CSButtonUI* Button() { return Find("switch_btn").As<CSButtonUI>(); }
    QRgb CornerColour() {
        const QImage image = Button()->grab().toImage();
        return image.pixel(2, 2);
    }
};

TEST_F(SwitchButton, LayoutSelectsItAndAClickOnlyNotifies) {
    CSButtonUI* button = Button();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->IsSelected());
    EXPECT_TRUE(button->ButtonState() & UISTATE_SELECTED);
    dialog->ShowWindow();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(button->IsSelected());
    EXPECT_EQ(dialog->NotesOf(QStringLiteral("click")).size(), 1u);
    EXPECT_TRUE(dialog->NotesOf(QStringLiteral("selectchanged")).empty());

    UiControl control = Find("switch_btn");
    control.Selected(false);
    EXPECT_FALSE(control.IsSelected());
    EXPECT_FALSE(button->ButtonState() & UISTATE_SELECTED);
}

TEST_F(SwitchButton, DisablingKeepsOnlyTheSelectedBit) {
    CSButtonUI* button = Button();
    QEvent enter(QEvent::HoverEnter);
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_TRUE(button->ButtonState() & UISTATE_HOT);
    button->setEnabled(false);
    EXPECT_EQ(button->ButtonState(), UISTATE_SELECTED);
    button->SetSelected(false);
    EXPECT_EQ(button->ButtonState(), 0u);
}

TEST_F(SwitchButton, PaintsTheSelectedBackgroundOnlyWhileSelected) {
    EXPECT_EQ(CornerColour(), qRgba(0x00, 0xA0, 0xFF, 0xFF));
    ui_testing::WriteShot(Button(), QStringLiteral("sbutton_selected"));
    Button()->SetSelected(false);
    EXPECT_EQ(CornerColour(), qRgba(0x40, 0x40, 0x40, 0xFF));
}

TEST(SwitchButtonColour, ParsesArgbAndRgb) {
    EXPECT_EQ(CSButtonUI::ParseColor(QStringLiteral("#FF00A0FF"))->rgba(), 0xFF00A0FFu);
    EXPECT_EQ(CSButtonUI::ParseColor(QStringLiteral("#80102030"))->rgba(), 0x80102030u);
    EXPECT_EQ(CSButtonUI::ParseColor(QStringLiteral("#102030"))->rgba(), 0xFF102030u);
    EXPECT_FALSE(CSButtonUI::ParseColor(QStringLiteral("#12345")));
    EXPECT_FALSE(CSButtonUI::ParseColor(QStringLiteral("#GG000000")));
    EXPECT_FALSE(CSButtonUI::ParseColor(QString()));
}

}  // namespace
