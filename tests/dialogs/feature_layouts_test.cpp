// The layouts of the feature dialogs, built from the program's own skin package as their
// windows build them: every control the windows look up is there once, of the kind they
// use, numbered controls carry their number as user data where the table says so, and in
// each language at 100 % and 150 % no text is cut off. A picture of each goes to the shots
// folder. The controls come from feature_layout_controls.txt.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextStream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/dialog_common.h"
#include "graph/equalizer.h"
#include "graph/equalizer_ac.h"
#include "graph/graph_controls.h"
#include "ui/display_scale.h"
#include "ui/sbutton.h"
#include "ui/skin_resources.h"

namespace {

using namespace dialog_testing;

struct ControlRow {
    int line = 0;
    QString pattern;  // may hold one or two "%d"
    QString kind;
    std::vector<std::pair<int, int>> ranges;
    bool userdata = false;  // the first number is the control's user data
};

struct LayoutCase {
    std::string skin;
    std::vector<ControlRow> rows;
    std::vector<std::string> problems;  // lines of the table that could not be read
};

// Test names and failure messages show the skin name only.
void PrintTo(const LayoutCase& layout, std::ostream* out) {
    *out << layout.skin;
}

std::vector<LayoutCase> ReadTable() {
    QFile file(QStringLiteral(TONVIA_FEATURE_LAYOUTS));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {{"TableMissing", {}, {"cannot read " TONVIA_FEATURE_LAYOUTS}}};
    }
    static const QRegularExpression range(QStringLiteral("^(\\d+)-(\\d+)$"));
    std::vector<LayoutCase> cases;
    QTextStream in(&file);
    for (int number = 1; !in.atEnd(); ++number) {
        const QString text = in.readLine().trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")));
        const std::string skin = words[0].toStdString();
        auto it = std::find_if(cases.begin(), cases.end(),
                               [&](const LayoutCase& c) { return c.skin == skin; });
        if (it == cases.end()) {
            it = cases.insert(cases.end(), LayoutCase{skin, {}, {}});
        }
        ControlRow row;
        row.line = number;
        bool ok = words.size() >= 3;
        if (ok) {
            row.pattern = words[1];
            row.kind = words[2];
        }
        for (qsizetype i = 3; ok && i < words.size(); ++i) {
            const auto match = range.match(words[i]);
            if (match.hasMatch() && !row.userdata) {
                row.ranges.emplace_back(match.captured(1).toInt(), match.captured(2).toInt());
            } else if (words[i] == QLatin1String("userdata") && !row.userdata) {
                row.userdata = true;
            } else {
                ok = false;
            }
        }
        ok = ok && row.ranges.size() == static_cast<std::size_t>(row.pattern.count("%d")) &&
             (!row.userdata || !row.ranges.empty());
        if (ok) {
            it->rows.push_back(row);
        } else {
            it->problems.push_back("line " + std::to_string(number) + ": " + text.toStdString());
        }
    }
    return cases;
}

// Every control name a row stands for, with its first number (-1 for a plain name).
std::vector<std::pair<QString, int>> Expand(const ControlRow& row) {
    auto fill = [](QString name, int n) {
        return name.replace(name.indexOf(QLatin1String("%d")), 2, QString::number(n));
    };
    std::vector<std::pair<QString, int>> names;
    if (row.ranges.empty()) {
        names.emplace_back(row.pattern, -1);
        return names;
    }
    for (int a = row.ranges[0].first; a <= row.ranges[0].second; ++a) {
        const QString first = fill(row.pattern, a);
        if (row.ranges.size() == 1) {
            names.emplace_back(first, a);
            continue;
        }
        for (int b = row.ranges[1].first; b <= row.ranges[1].second; ++b) {
            names.emplace_back(fill(first, b), a);
        }
    }
    return names;
}

// Qt classes by their meta-object; the application's controls have none of their own.
bool IsKind(QWidget* widget, const QString& kind) {
    if (widget->inherits(kind.toLatin1().constData())) {
        return true;
    }
    static const std::map<QString, bool (*)(QWidget*)> kOwnControls = {
        {QStringLiteral("CSButtonUI"),
         [](QWidget* w) { return dynamic_cast<CSButtonUI*>(w) != nullptr; }},
        {QStringLiteral("UIEqualizer"),
         [](QWidget* w) { return dynamic_cast<UIEqualizer*>(w) != nullptr; }},
        {QStringLiteral("UIEqualizerAc"),
         [](QWidget* w) { return dynamic_cast<UIEqualizerAc*>(w) != nullptr; }},
        {QStringLiteral("CCircleProgressUI"),
         [](QWidget* w) { return dynamic_cast<CCircleProgressUI*>(w) != nullptr; }},
    };
    const auto own = kOwnControls.find(kind);
    return own != kOwnControls.end() && own->second(widget);
}

// Texts that need more room than their control has.
std::vector<std::string> CutTexts(QWidget* window) {
    std::vector<std::string> cut;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible()) {
            continue;
        }
        const std::string name = widget->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->text().isEmpty()) {
                continue;
            }
            const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                                 : label->sizeHint().height();
            if (needed > label->height() ||
                (!label->wordWrap() && label->sizeHint().width() > label->width())) {
                cut.push_back(name);
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            // Image buttons without a text have nothing to cut.
            if (!button->text().isEmpty() && (button->sizeHint().width() > button->width() ||
                                              button->sizeHint().height() > button->height() + 2)) {
                cut.push_back(name + " needs " + std::to_string(button->sizeHint().width()) +
                              " has " + std::to_string(button->width()));
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->sizeHint().width() > combo->width()) {
                cut.push_back(name + " needs " + std::to_string(combo->sizeHint().width()) +
                              " has " + std::to_string(combo->width()));
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            // The text area as the style (and its sheet's border and padding) leaves it;
            // the edit keeps one more pixel free on either side.
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.rect = edit->rect();
            option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(
                                                      QStyle::PM_DefaultFrameWidth, &option, edit)
                                                : 0;
            const QMargins margins = edit->textMargins();
            const int room =
                edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
                margins.left() - margins.right() - 2;
            const int needed = edit->fontMetrics().horizontalAdvance(edit->text());
            if (needed > room) {
                cut.push_back(name + " needs " + std::to_string(needed) + " has " +
                              std::to_string(room));
            }
        }
    }
    return cut;
}

// A window of nothing but its layout, sized as the dialogs size theirs.
class LayoutWnd final : public DialogImplBase {
  public:
    explicit LayoutWnd(QString skin) : mSkin(std::move(skin)) {}
    QString ClassName() const override { return QStringLiteral("FeatureLayoutWnd"); }
    QString SkinName() const override { return mSkin; }
    void OnInit() override { tonvia::dialogs::FitWindowToContents(*this); }

  private:
    QString mSkin;
};

class FeatureLayout : public DialogTest, public ::testing::WithParamInterface<LayoutCase> {
  protected:
    static void SetUpTestSuite() { tonvia::graph::RegisterGraphControls(); }
};

TEST_P(FeatureLayout, HoldsItsControlsFitsItsTextsAndIsPictured) {
    const LayoutCase& layout = GetParam();
    for (const std::string& problem : layout.problems) {
        ADD_FAILURE() << "feature_layout_controls.txt, unreadable " << problem;
    }
    const QString skin = QString::fromStdString(layout.skin);
    auto& resources = tonvia::ui::SkinResources::Instance();
    const QString path = resources.LayoutForSkin(skin);
    ASSERT_FALSE(path.isEmpty()) << layout.skin << " has no entry in xml/res.xml";
    QString error;
    ASSERT_TRUE(resources.ReadFile(path, &error).has_value())
        << layout.skin << ": its layout " << path.toStdString()
        << " is not in the skin package yet (" << error.toStdString() << ")";

    auto window = Open(std::make_unique<LayoutWnd>(skin));
    ASSERT_NE(window->GetWidget(), nullptr) << layout.skin << " cannot be built";
    for (const ControlRow& row : layout.rows) {
        for (const auto& [name, number] : Expand(row)) {
            SCOPED_TRACE("table line " + std::to_string(row.line) + ": " + name.toStdString());
            const auto found = window->GetWidget()->findChildren<QWidget*>(name);
            ASSERT_EQ(found.size(), 1) << "the layout must hold exactly one " << name.toStdString();
            EXPECT_TRUE(IsKind(found[0], row.kind))
                << "is a " << found[0]->metaObject()->className() << ", not a "
                << row.kind.toStdString();
            if (row.userdata) {
                EXPECT_EQ(window->FindControl(name).GetUserData(), QString::number(number));
            }
        }
    }
    window.reset();

    for (const char* language : {"en", "cn_zh", "ru"}) {
        for (const int dpi : {96, 144}) {
            const int percent = tonvia::ui::ScalePercentForDpi(dpi);
            SCOPED_TRACE(std::string(language) + " " + std::to_string(percent) + " %");
            SelectLanguage(QString::fromLatin1(language));
            tonvia::ui::SetInterfaceDpi(dpi);
            auto shown = Open(std::make_unique<LayoutWnd>(skin));
            QWidget* widget = shown->GetWidget();
            ASSERT_NE(widget, nullptr);
            QCoreApplication::processEvents();
            EXPECT_EQ(CutTexts(widget), std::vector<std::string>{});
            WriteShot(widget, QStringLiteral("layout_%1_%2_%3")
                                  .arg(skin, QString::fromLatin1(language))
                                  .arg(percent));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Skin, FeatureLayout, ::testing::ValuesIn(ReadTable()),
                         [](const auto& info) { return info.param.skin; });

}  // namespace
