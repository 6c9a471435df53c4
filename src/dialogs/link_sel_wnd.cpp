#include "dialogs/link_sel_wnd.h"

#include "dialogs/dialog_common.h"
#include "platform/log.h"

CMsgLinkSelWnd::CMsgLinkSelWnd(std::vector<OutputPair> pairs) : mPairs(std::move(pairs)) {
    if (mPairs.size() > static_cast<std::size_t>(kMaxPairs)) {
        mPairs.resize(kMaxPairs);
    }
    AddNotifyHandler(QString::fromLatin1(DUI_MSGTYPE_SELECTCHANGED),
                     [this](TNotifyUI& msg) { OnSelectChanged(msg); });
}

void CMsgLinkSelWnd::OnInit() {
    for (int i = 0; i < kMaxPairs; ++i) {
        UiControl option = FindControl(QString::asprintf("check_box_%d", i));
        if (i < static_cast<int>(mPairs.size())) {
            const auto [left, right] = mPairs[static_cast<std::size_t>(i)];
            option.SetText(QString::asprintf("CH%d -> CH%d", left + 1, right + 1));
            option.SetVisible(true);
        } else {
            option.SetVisible(false);
        }
    }
    UpdateConfirm();
    tonvia::dialogs::FitWindowToContents(*this);
}

std::optional<LinkSelection> CMsgLinkSelWnd::CurrentChoice() const {
    LinkSelection choice;
    for (int i = 0; i < static_cast<int>(mPairs.size()); ++i) {
        if (FindControl(QString::asprintf("check_box_%d", i)).IsSelected()) {
            choice.pairs.push_back(mPairs[static_cast<std::size_t>(i)]);
        }
    }
    const bool left = FindControl(QStringLiteral("check_box_left")).IsSelected();
    const bool right = FindControl(QStringLiteral("check_box_right")).IsSelected();
    if (choice.pairs.empty() || (!left && !right)) {
        return std::nullopt;
    }
    choice.leftToRight = left;
    return choice;
}

void CMsgLinkSelWnd::OnSelectChanged(TNotifyUI& msg) {
    LogPrintA("on %s DUI_MSGTYPE_SELECTCHANGED\n", msg.pSender.GetName().toUtf8().constData());
    UpdateConfirm();
}

void CMsgLinkSelWnd::UpdateConfirm() {
    FindControl(QStringLiteral("confirm_btn")).SetEnabled(CurrentChoice().has_value());
}

void CMsgLinkSelWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("confirm_btn")) {
        mSelection = CurrentChoice();
        if (!mSelection) {
            return;  // incomplete: stay open
        }
        if (mResult != nullptr) {
            *mResult = mSelection;
        }
        Close(1);
        return;
    }
    DialogImplBase::OnClick(msg);
}

std::optional<LinkSelection> CMsgLinkSelWnd::ShowLinkSelect(QWidget* parent,
                                                            std::vector<OutputPair> pairs) {
    std::optional<LinkSelection> result;
    auto* window = new CMsgLinkSelWnd(std::move(pairs));
    window->mResult = &result;  // the window deletes itself before the run returns
    const int code = tonvia::dialogs::RunModal(window, parent, QStringLiteral("msglinkselwnd"));
    return code == 1 ? result : std::nullopt;
}
