#pragma once
// Popup menus built from menu layouts of the skin package:
//   <menu>
//     <item name="option_item_about" text="${about}" userdata="0" icon="menu/about.png"/>
//     <separator/>
//     <item name="option_item_language" text="${language}">   (a submenu)
//       <item name="option_item_language_en" text="English" checked="true"/>
//     </item>
//   </menu>
// A chosen item is posted to the receiving window as WM_MENU_COMMAND (1027) with a
// MenuCommandRecord. Only one menu is open at a time: opening one closes the other.

#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QString>

#include "link/window_messages.h"

// Alignment of the menu to its anchor point: Left puts the menu's left edge at the point,
// Right its right edge; Top its top edge, Bottom its bottom edge (the menu opens upwards).
inline constexpr unsigned eMenuAlignment_Left = 1u << 1;
inline constexpr unsigned eMenuAlignment_Top = 1u << 2;
inline constexpr unsigned eMenuAlignment_Right = 1u << 3;
inline constexpr unsigned eMenuAlignment_Bottom = 1u << 4;

// What the receiving window gets with message 1027; it owns the record.
struct MenuCommandRecord final : MessageRecord {
    QString name;
    QString userData;
    QString text;
};

class CMenuWnd final : public QMenu {
  public:
    // Builds the menu of `layoutPath` (e.g. "xml/option_menu.xml") for `receiver`; null
    // when the layout is missing or malformed. The menu deletes itself when it closes.
    static CMenuWnd* CreateMenu(const QString& layoutPath, WindowHandle receiver, QPoint anchor,
                                unsigned alignment, int scalePercent = 100);
    // The menu that is open now, or null.
    static CMenuWnd* Current();

    QAction* FindItem(const QString& name) const;
    bool SetItemVisible(const QString& name, bool visible);
    bool SetItemEnabled(const QString& name, bool enabled);
    bool SetItemChecked(const QString& name, bool checked);

    // Opens the menu at the anchor; an open menu closes first.
    void Show();
    // The top-left corner Show() uses for a menu of `size`.
    static QPoint PlaceAt(QPoint anchor, unsigned alignment, QSize size);

  private:
    CMenuWnd(WindowHandle receiver, QPoint anchor, unsigned alignment);
    WindowHandle mReceiver;
    QPoint mAnchor;
    unsigned mAlignment;
};
