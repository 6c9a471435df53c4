// Every dialog in each language at 100 % and 150 %: nothing cut off, Escape leaves it open,
// and a picture of it for the shots folder.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include "commands/command_codes.h"
#include "commands/reply_records.h"
#include "dialog_fixture.h"
#include "dialogs/about_wnd.h"
#include "dialogs/link_sel_wnd.h"
#include "dialogs/mem_wr_wnd.h"
#include "dialogs/msg_wnd.h"
#include "dialogs/noise_threshold_wnd.h"
#include "dialogs/poweroff_delay_wnd.h"
#include "model/scene_config.h"
#include "ui/display_scale.h"
#include "ui/window_registry.h"

namespace {

using namespace dialog_testing;

enum class Kind { Message, CheckChoice, Loading, About, NoiseThreshold, Memory, PowerOff, LinkSel };

struct LookCase {
    const char* name;
    Kind kind;
};

struct LookParam {
    LookCase dialog;
    const char* language;
    int dpi;
};

class DialogLook : public DeviceDialogTest, public ::testing::WithParamInterface<LookParam> {
  protected:
    std::unique_ptr<WindowImplBase> Make(Kind kind) {
        switch (kind) {
            case Kind::Message:
                return Open(std::make_unique<CMsgWnd>(
                    QStringLiteral("${tips}"), QStringLiteral("${empty_output_tips}"),
                    QStringList{QStringLiteral("${default}"), QStringLiteral("${cancel}"),
                                QStringLiteral("${emptied}")},
                    3));
            case Kind::CheckChoice:
                return Open(std::make_unique<CMsgCheckBoxWnd>(
                    QStringLiteral("${tips}"), QStringLiteral("${link_tips}"),
                    QStringList{QStringLiteral("${copy_left_to_right}"),
                                QStringLiteral("${copy_right_to_left}")}));
            case Kind::Loading:
                return Open(std::make_unique<CLoadingWnd>());
            case Kind::About:
                return Open(std::make_unique<CAboutWnd>(AboutDeviceInfo{77, 2, 28}));
            case Kind::NoiseThreshold: {
                live.inputSource = 5;
                live.inputThreshold = -52;
                auto dialog = Open(std::make_unique<CNoiseThresholdWnd>(link, live));
                // Levels as a measurement would show them.
                auto levels = std::make_unique<InputNoiseRec>();
                levels->last = 3;
                levels->noise = {-48.5f, -63.2f, -71.0f, -55.4f};
                tonvia::ui::PostMessageTo(dialog->GetHWND(), WM_READ_DSP_VALUE, DSP_INPUT_NOISE, 0,
                                          std::move(levels));
                dialog->KillTimer(CNoiseThresholdWnd::kPollTimerId);  // keep the levels shown
                QCoreApplication::processEvents();
                return dialog;
            }
            case Kind::Memory:
                return Open(std::make_unique<CMemWrWnd>(link));
            case Kind::PowerOff:
                live.powerOffDelay = 350;
                return Open(std::make_unique<CPowerOffDelayWnd>(link, live));
            case Kind::LinkSel: {
                auto dialog = Open(std::make_unique<CMsgLinkSelWnd>(
                    std::vector<OutputPair>{{0, 1}, {2, 3}, {4, 5}}));
                dialog->FindControl(QStringLiteral("check_box_0")).Selected(true);
                dialog->FindControl(QStringLiteral("check_box_left")).Selected(true);
                return dialog;
            }
        }
        return nullptr;
    }
    SceneConfig live;
};

// A text control whose text needs more room than it has.
std::vector<std::string> CutTexts(QWidget* window) {
    std::vector<std::string> cut;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible()) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(widget);
            label != nullptr && !label->text().isEmpty()) {
            const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                                 : label->sizeHint().height();
            const bool wide = !label->wordWrap() && label->sizeHint().width() > label->width();
            if (needed > label->height() || wide) {
                cut.push_back(label->objectName().toStdString());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (button->sizeHint().width() > button->width() ||
                button->sizeHint().height() > button->height() + 2) {
                cut.push_back(button->objectName().toStdString() + " needs " +
                              std::to_string(button->sizeHint().width()) + " has " +
                              std::to_string(button->width()));
            }
        }
    }
    return cut;
}

TEST_P(DialogLook, FitsItsTextsKeepsOpenOnEscapeAndIsPictured) {
    const LookParam& p = GetParam();
    SelectLanguage(QString::fromLatin1(p.language));
    tonvia::ui::SetInterfaceDpi(p.dpi);
    auto dialog = Make(p.dialog.kind);
    ASSERT_NE(dialog, nullptr);
    QWidget* window = dialog->GetWidget();
    ASSERT_NE(window, nullptr);
    QCoreApplication::processEvents();

    EXPECT_EQ(CutTexts(window), std::vector<std::string>{});
    // Check and option marks are 12 layout units wide in every dialog's style sheet.
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || !(qobject_cast<QCheckBox*>(button) != nullptr ||
                                      qobject_cast<QRadioButton*>(button) != nullptr)) {
            continue;
        }
        QStyleOptionButton option;
        option.initFrom(button);
        const auto element = qobject_cast<QCheckBox*>(button) != nullptr
                                 ? QStyle::SE_CheckBoxIndicator
                                 : QStyle::SE_RadioButtonIndicator;
        EXPECT_GE(button->style()->subElementRect(element, &option, button).width(),
                  tonvia::ui::ScaleUnits(12, tonvia::ui::ScalePercentForDpi(p.dpi)))
            << button->objectName().toStdString();
    }

    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
    QTest::keyClick(target, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->IsClosing());
    EXPECT_TRUE(window->isVisible());

    WriteShot(window, QStringLiteral("dialog_%1_%2_%3")
                          .arg(QString::fromLatin1(p.dialog.name), QString::fromLatin1(p.language))
                          .arg(tonvia::ui::ScalePercentForDpi(p.dpi)));
}

constexpr LookCase kDialogs[] = {
    {"msg", Kind::Message},
    {"checkbox_msg", Kind::CheckChoice},
    {"loading", Kind::Loading},
    {"about", Kind::About},
    {"noise_threshold", Kind::NoiseThreshold},
    {"mem_wr", Kind::Memory},
    {"poweroff_delay", Kind::PowerOff},
    {"link_sel", Kind::LinkSel},
};

std::vector<LookParam> AllLooks() {
    std::vector<LookParam> all;
    for (const LookCase& dialog : kDialogs) {
        for (const char* language : {"en", "cn_zh", "ru"}) {
            for (int dpi : {96, 144}) {
                all.push_back({dialog, language, dpi});
            }
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogLook, ::testing::ValuesIn(AllLooks()),
                         [](const auto& info) {
                             return std::string(info.param.dialog.name) + "_" +
                                    info.param.language + "_" + std::to_string(info.param.dpi);
                         });

}  // namespace
