#include "dialogs/name_msg_wnd.h"

#include <QLineEdit>

#include "dialogs/dialog_common.h"

void CNameMsgWnd::OnInit() {
    UiControl edit = FindControl(QStringLiteral("name_edt"));
    if (auto* line = edit.As<QLineEdit>()) {
        // The skin sets the limit too; a skin without it must not lose the terminator.
        line->setMaxLength(kMaxChars);
    }
    edit.SetText(QString::fromStdWString(mName).left(kMaxChars));
    edit.SetFocusSelectAll();
    tonvia::dialogs::FitWindowToContents(*this);
}

void CNameMsgWnd::Confirm() {
    const QString text = FindControl(QStringLiteral("name_edt")).GetText().left(kMaxChars);
    mName = text.toStdWString();
    Close(1);
}

void CNameMsgWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("confirm_btn")) {
        Confirm();
        return;
    }
    DialogImplBase::OnClick(msg);
}

void CNameMsgWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == QLatin1String(DUI_MSGTYPE_RETURN) &&
        msg.pSender.GetName() == QLatin1String("name_edt")) {
        Confirm();
        return;
    }
    DialogImplBase::Notify(msg);
}

bool CNameMsgWnd::OnKeyDown(QKeyEvent*) {
    // Keys typed while a button has the focus still go to the name.
    FindControl(QStringLiteral("name_edt")).SetFocus();
    return false;
}

int CNameMsgWnd::ShowName(QWidget* parent, std::wstring& name) {
    return tonvia::dialogs::RunModal(new CNameMsgWnd(name), parent, QStringLiteral("namemsgwnd"));
}
