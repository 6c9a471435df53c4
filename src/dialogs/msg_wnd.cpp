#include "dialogs/msg_wnd.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "dialogs/dialog_common.h"

namespace {

constexpr int kReportWidth = 600;  // layout units

QString LabelAt(const QStringList& labels, int index) {
    return index < labels.size() ? labels[index] : QString();
}

void SetTextUnlessEmpty(UiControl control, const QString& text) {
    if (!text.isEmpty()) {
        control.SetText(text);
    }
}

}  // namespace

CMsgWnd::CMsgWnd(QString title, QString text, QStringList labels, int buttonCount)
    : mTitle(std::move(title)),
      mText(std::move(text)),
      mLabels(std::move(labels)),
      mButtonCount(buttonCount) {}

void CMsgWnd::OnInit() {
    SetTextUnlessEmpty(FindControl(QStringLiteral("MessageTitle")), mTitle);
    SetTextUnlessEmpty(FindControl(QStringLiteral("MessageText")), mText);
    UiControl confirm = FindControl(QStringLiteral("confirm_btn"));
    UiControl cancel = FindControl(QStringLiteral("cancel_btn"));
    UiControl third = FindControl(QStringLiteral("third_btn"));
    if (mButtonCount > 0) {
        SetTextUnlessEmpty(confirm, LabelAt(mLabels, 0));
        if (mButtonCount < 2) {
            cancel.SetVisible(false);
        } else {
            SetTextUnlessEmpty(cancel, LabelAt(mLabels, 1));
        }
        if (mButtonCount >= 3) {
            SetTextUnlessEmpty(third, LabelAt(mLabels, 2));
            third.SetVisible(true);
        }
    }
    confirm.SetFocus();
    // A report (a summary, a blank line, then its lines) reads from the left and has room
    // for its longer lines; short notices stay centred.
    UiControl message = FindControl(QStringLiteral("MessageText"));
    if (message.GetText().contains(QLatin1String("\n\n"))) {
        if (auto* label = message.As<QLabel>()) {
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
        if (QWidget* host = GetWidget()) {
            host->resize(std::max(host->width(), Scale(kReportWidth)), host->height());
        }
    }
    tonvia::dialogs::FitWindowToContents(*this);
}

int CMsgWnd::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    return tonvia::dialogs::RunModal(new CMsgWnd(title, text), parent, QStringLiteral("msgwnd"));
}

int CMsgWnd::ShowMessageEx(QWidget* parent, const QString& title, const QString& text,
                           const QStringList& labels, int count) {
    return tonvia::dialogs::RunModal(new CMsgWnd(title, text, labels, count), parent,
                                     QStringLiteral("msgwnd"));
}

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QString title, QString text, QStringList labels)
    : mTitle(std::move(title)), mText(std::move(text)), mLabels(std::move(labels)) {}

void CMsgCheckBoxWnd::OnInit() {
    SetTextUnlessEmpty(FindControl(QStringLiteral("MessageTitle")), mTitle);
    SetTextUnlessEmpty(FindControl(QStringLiteral("MessageText")), mText);
    const QString first = LabelAt(mLabels, 0);
    const QString second = LabelAt(mLabels, 1);
    if (!first.isEmpty() && !second.isEmpty()) {
        FindControl(QStringLiteral("check_box_0")).SetText(first);
        FindControl(QStringLiteral("check_box_1")).SetText(second);
    }
    tonvia::dialogs::FitWindowToContents(*this);
}

void CMsgCheckBoxWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("confirm_btn")) {
        if (FindControl(QStringLiteral("check_box_0")).IsSelected()) {
            Close(1);
        } else if (FindControl(QStringLiteral("check_box_1")).IsSelected()) {
            Close(2);
        }
        return;  // nothing chosen yet: stay open
    }
    DialogImplBase::OnClick(msg);
}

int CMsgCheckBoxWnd::ShowCheckChoice(QWidget* parent, const QString& title, const QString& text,
                                     const QStringList& labels) {
    return tonvia::dialogs::RunModal(new CMsgCheckBoxWnd(title, text, labels), parent,
                                     QStringLiteral("msgcbwnd"));
}

CLoadingWnd::CLoadingWnd(QString text) : mText(std::move(text)) {}

void CLoadingWnd::OnInit() {
    SetTextUnlessEmpty(FindControl(QStringLiteral("MessageText")), mText);
    tonvia::dialogs::FitWindowToContents(*this);
}
