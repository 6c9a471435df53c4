// Menus from menu layouts: items by name, placement, and the choice posted as 1027.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>

#include "ui/menu.h"
#include "ui_fixture.h"

namespace {

class Menus : public ui_testing::SkinTest {};

TEST_F(Menus, ChoiceReachesTheWindowWithNameUserDataAndText) {
    auto dialog = MakeDialog();
    CMenuWnd* menu = CMenuWnd::CreateMenu(QStringLiteral("xml/test_menu.xml"), dialog->GetHWND(),
                                          QPoint(10, 10), eMenuAlignment_Left | eMenuAlignment_Top);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->SetItemVisible(QStringLiteral("item_hidden"), false));
    EXPECT_TRUE(menu->SetItemEnabled(QStringLiteral("item_about"), true));
    EXPECT_FALSE(menu->SetItemVisible(QStringLiteral("no_item"), false));
    ASSERT_NE(menu->FindItem(QStringLiteral("item_language_en")), nullptr);
    EXPECT_TRUE(menu->FindItem(QStringLiteral("item_language_en"))->isChecked());
    EXPECT_FALSE(menu->FindItem(QStringLiteral("item_hidden"))->isVisible());
    menu->Show();
    EXPECT_EQ(CMenuWnd::Current(), menu);

    menu->FindItem(QStringLiteral("item_about"))->trigger();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(dialog->messages.size(), 1u);
    EXPECT_EQ(dialog->messages[0].message, WM_MENU_COMMAND);
    EXPECT_EQ(dialog->messages[0].message, 1027u);
    auto* record = dynamic_cast<MenuCommandRecord*>(dialog->messages[0].record.get());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->name, QStringLiteral("item_about"));
    EXPECT_EQ(record->userData, QStringLiteral("7"));
    EXPECT_EQ(record->text, QStringLiteral("Tips"));
}

TEST_F(Menus, OpeningAMenuClosesTheOneStillOpen) {
    auto dialog = MakeDialog();
    QPointer<CMenuWnd> first = CMenuWnd::CreateMenu(QStringLiteral("xml/test_menu.xml"),
                                                    dialog->GetHWND(), QPoint(0, 0), 6);
    ASSERT_TRUE(first);
    first->Show();
    EXPECT_TRUE(first->isVisible());
    CMenuWnd* second = CMenuWnd::CreateMenu(QStringLiteral("xml/test_menu.xml"), dialog->GetHWND(),
                                            QPoint(0, 0), 12);
    ASSERT_NE(second, nullptr);
    second->Show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() || !first->isVisible());
    EXPECT_EQ(CMenuWnd::Current(), second);
}

TEST_F(Menus, MissingOrMalformedLayoutGivesNoMenu) {
    EXPECT_EQ(CMenuWnd::CreateMenu(QStringLiteral("xml/link_group_menu.xml"), 1, {}, 6), nullptr);
    EXPECT_EQ(CMenuWnd::CreateMenu(QStringLiteral("xml/broken.ui"), 1, {}, 6), nullptr);
}

TEST_F(Menus, AChoiceForAClosedWindowIsDropped) {
    auto dialog = MakeDialog();
    CMenuWnd* menu = CMenuWnd::CreateMenu(QStringLiteral("xml/test_menu.xml"), dialog->GetHWND(),
                                          QPoint(0, 0), 6);
    ASSERT_NE(menu, nullptr);
    dialog.reset();
    menu->FindItem(QStringLiteral("item_about"))->trigger();  // nothing to receive it
    QCoreApplication::sendPostedEvents();
    delete menu;
}

struct PlaceCase {
    unsigned alignment;
    QPoint expected;
};

class MenuPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(MenuPlacement, AlignsTheMenuToItsAnchor) {
    EXPECT_EQ(CMenuWnd::PlaceAt(QPoint(100, 100), GetParam().alignment, QSize(50, 40)),
              GetParam().expected);
}

// The values the main window passes: 6 (left, top), 12 (right, top), 16 (bottom).
INSTANTIATE_TEST_SUITE_P(
    Alignments, MenuPlacement,
    ::testing::Values(PlaceCase{6, QPoint(100, 100)}, PlaceCase{12, QPoint(50, 100)},
                      PlaceCase{16, QPoint(100, 60)},
                      PlaceCase{eMenuAlignment_Right | eMenuAlignment_Bottom, QPoint(50, 60)},
                      PlaceCase{0, QPoint(100, 100)}));

}  // namespace
