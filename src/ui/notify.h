#pragma once
// Notifications: what a control tells its window (type string, sender, two values).

#include <QString>
#include <cstdint>

#include "ui/control.h"

inline constexpr char DUI_MSGTYPE_CLICK[] = "click";
inline constexpr char DUI_MSGTYPE_SELECTCHANGED[] = "selectchanged";
inline constexpr char DUI_MSGTYPE_VALUECHANGED[] = "valuechanged";
inline constexpr char DUI_MSGTYPE_VALUECHANGED_MOVE[] = "movevaluechanged";
inline constexpr char DUI_MSGTYPE_RETURN[] = "return";
inline constexpr char DUI_MSGTYPE_VALUECHANGED_UP[] = "valuechangedup";
inline constexpr char DUI_MSGTYPE_VALUECHANGED_DOWN[] = "valuechangeddown";
inline constexpr char DUI_MSGTYPE_VALUECHANGED_LEFT[] = "valuechangedleft";
inline constexpr char DUI_MSGTYPE_VALUECHANGED_RIGHT[] = "valuechangedright";
inline constexpr char DUI_MSGTYPE_KILLFOCUS[] = "killfocus";
inline constexpr char DUI_MSGTYPE_SETFOCUS[] = "setfocus";
inline constexpr char DUI_MSGTYPE_ITEMSELECT[] = "itemselect";
inline constexpr char DUI_MSGTYPE_ITEMCLICK[] = "itemclick";
inline constexpr char DUI_MSGTYPE_ITEMACTIVATE[] = "itemactivate";

struct TNotifyUI {
    QString sType;      // one of the DUI_MSGTYPE_ strings, or a custom control's own type
    UiControl pSender;  // the control that raised it
    // Combos and lists: wParam is the item index; "itemselect" has the previous one in lParam.
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};
