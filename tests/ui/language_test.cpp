// Language keys: lookup rules, and controls that follow a language switch.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "ui/language_texts.h"
#include "ui/skin_resources.h"
#include "ui_fixture.h"

namespace {

using tonvia::ui::LanguageTexts;
using tonvia::ui::LookupText;

LanguageTexts Texts(const char* xml) {
    LanguageTexts texts;
    QString error;
    EXPECT_TRUE(texts.Parse(QByteArray(xml), &error)) << error.toStdString();
    return texts;
}

struct LookupCase {
    const char* text;
    const char* expected;
};

class LanguageLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LanguageLookup, FollowsTheKeyRules) {
    const LanguageTexts texts = Texts(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><language name=\"en\">"
        "<text key=\"${tips}\">Tips</text>"
        "<text key=\"${two}\">a{\\n}b{\\n}c</text>"
        "<text key=\"${amp}\">A &amp; B</text>"
        "<text key=\"plain\">not a key</text>"
        "</language>");
    const LookupCase& c = GetParam();
    EXPECT_EQ(LookupText(&texts, QString::fromUtf8(c.text)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageLookup,
    ::testing::Values(LookupCase{"", ""}, LookupCase{"abc", "abc"}, LookupCase{"${tips}", "Tips"},
                      LookupCase{"${two}", "a\nb\nc"}, LookupCase{"${amp}", "A & B"},
                      // A missing key shows as itself; texts not starting with "${" are
                      // never looked up, even when the file has them.
                      LookupCase{"${no_such_key}", "${no_such_key}"}, LookupCase{"plain", "plain"},
                      LookupCase{" ${tips}", " ${tips}"},
                      LookupCase{"${tips} more", "${tips} more"}));

TEST(LanguageFile, MalformedXmlIsRejectedWithTheLine) {
    LanguageTexts texts;
    QString error;
    EXPECT_FALSE(texts.Parse("<language>\n<text key=\"${a}\">A</text>\n<text", &error));
    EXPECT_TRUE(error.contains(QLatin1String("line")));
    EXPECT_EQ(texts.Size(), 0);
    EXPECT_FALSE(texts.Parse("<other/>", &error));
}

TEST(LanguageFile, NoLanguageShowsKeysWithLineBreaks) {
    EXPECT_EQ(LookupText(nullptr, QStringLiteral("${x{\\n}y}")), QStringLiteral("${x\ny}"));
}

class LanguageSwitch : public ui_testing::SkinTest {};

TEST_F(LanguageSwitch, LabelsFollowTheLanguageAndPlainTextsStay) {
    auto dialog = MakeDialog();
    UiControl tips = dialog->FindControl(QStringLiteral("tips_label"));
    UiControl plain = dialog->FindControl(QStringLiteral("plain_label"));
    EXPECT_EQ(tips.GetText(), QStringLiteral("Tips"));
    EXPECT_EQ(plain.GetText(), QStringLiteral("abc"));

    struct Step {
        const char* language;
        const char* tips;
    };
    for (const Step step : {Step{"cn_zh", "提示"}, Step{"RU", "Подсказка"}, Step{"en", "Tips"}}) {
        auto& skin = tonvia::ui::SkinResources::Instance();
        ASSERT_TRUE(skin.SelectLanguage(QString::fromLatin1(step.language)));
        EXPECT_EQ(tips.GetText(), QString::fromUtf8(step.tips)) << step.language;
        EXPECT_EQ(plain.GetText(), QStringLiteral("abc")) << step.language;
        EXPECT_EQ(dialog->FindControl(QStringLiteral("value_edt")).GetToolTip(),
                  QString::fromUtf8(step.tips));
        EXPECT_EQ(dialog->FindControl(QStringLiteral("switch_btn")).GetText(),
                  QString::fromUtf8(step.tips));
    }
}

TEST_F(LanguageSwitch, LineBreaksAndMissingKeys) {
    auto dialog = MakeDialog();
    EXPECT_EQ(dialog->FindControl(QStringLiteral("multi_label")).GetText(),
              QStringLiteral("first\nsecond"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("missing_label")).GetText(),
              QStringLiteral("${no_such_key}"));
    ASSERT_TRUE(tonvia::ui::SkinResources::Instance().SelectLanguage(QStringLiteral("cn_zh")));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("multi_label")).GetText(),
              QString::fromUtf8("第一行\n第二行"));
}

TEST_F(LanguageSwitch, TextsSetByTheProgramAndComboItemsFollow) {
    auto dialog = MakeDialog();
    UiControl edit = dialog->FindControl(QStringLiteral("other_edt"));
    edit.SetText(QStringLiteral("${tips}"));
    EXPECT_EQ(edit.GetText(), QStringLiteral("Tips"));
    auto* combo = dialog->FindControl(QStringLiteral("mode_combo")).As<QComboBox>();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Mode A"));

    ASSERT_TRUE(tonvia::ui::SkinResources::Instance().SelectLanguage(QStringLiteral("ru")));
    EXPECT_EQ(edit.GetText(), QString::fromUtf8("Подсказка"));
    EXPECT_EQ(combo->itemText(0), QString::fromUtf8("Режим A"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("two"));
    EXPECT_TRUE(dialog->NotesOf(QStringLiteral("itemselect")).empty());
}

TEST_F(LanguageSwitch, WhatTheUserTypedOrTheProgramWroteDirectlyIsKept) {
    auto dialog = MakeDialog();
    UiControl edit = dialog->FindControl(QStringLiteral("other_edt"));
    edit.SetText(QStringLiteral("${tips}"));
    auto* line = edit.As<QLineEdit>();
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("-45"));
    auto* label = dialog->FindControl(QStringLiteral("tips_label")).As<QLabel>();
    label->setText(QStringLiteral("5 dB"));

    ASSERT_TRUE(tonvia::ui::SkinResources::Instance().SelectLanguage(QStringLiteral("cn_zh")));
    EXPECT_EQ(edit.GetText(), QStringLiteral("-45"));
    EXPECT_EQ(label->text(), QStringLiteral("5 dB"));
}

TEST_F(LanguageSwitch, UnknownLanguageKeepsTheCurrentOne) {
    auto dialog = MakeDialog();
    auto& skin = tonvia::ui::SkinResources::Instance();
    QString error;
    EXPECT_FALSE(skin.SelectLanguage(QStringLiteral("de"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(skin.CurrentLanguage(), QStringLiteral("en"));
    EXPECT_EQ(dialog->FindControl(QStringLiteral("tips_label")).GetText(), QStringLiteral("Tips"));
}

}  // namespace
