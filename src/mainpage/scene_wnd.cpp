#include "mainpage/scene_wnd.h"

#include <QColor>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>

#include "dialogs/dialog_common.h"
#include "dialogs/msg_wnd.h"
#include "mainpage/equalizer_manager.h"
#include "platform/log.h"
#include "tuning/scene_transfer.h"
#include "ui/skin_resources.h"
#include "ui/window_registry.h"

namespace {

std::size_t At(int scene) {
    return static_cast<std::size_t>(scene - 1);
}

// Fills the "%d" and the "%s" marks of a translated text from left to right; what is put
// in is never read as a mark again (a scene may be called "%s").
QString FillNumberAndNames(const QString& text, int number, const QStringList& names) {
    QString out;
    int name = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QStringView mark = QStringView(text).mid(i, 2);
        if (mark == QLatin1String("%d")) {
            out += QString::number(number);
            ++i;
        } else if (mark == QLatin1String("%s") && name < names.size()) {
            out += names[name++];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The list's style sheet paints item backgrounds and text colours itself, which would hide
// the current-scene mark; a marked row that is not selected is painted here: the mark's
// colour, and its number in the dark text the mark needs.
class MarkedRowDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QVariant background = index.data(Qt::BackgroundRole);
        if (!background.canConvert<QBrush>() || (option.state & QStyle::State_Selected) ||
            background.value<QBrush>().color().alpha() == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->fillRect(option.rect, background.value<QBrush>());
        painter->setPen(index.data(Qt::ForegroundRole).value<QBrush>().color());
        painter->setFont(option.font);
        const int inset = option.rect.height() / 2;  // where the list's own text begins
        painter->drawText(option.rect.adjusted(inset, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          index.data(Qt::DisplayRole).toString());
    }
};

}  // namespace

void CSceneWnd::ShowScenes(QWidget* parent, Mode mode, EqualizerManager& owner) {
    tonvia::dialogs::RunModal(new CSceneWnd(mode, owner), parent, QStringLiteral("scenewnd"));
}

void CSceneWnd::OnInit() {
    mOwner.Device().mSceneWnd.store(GetHWND());
    static constexpr const char* kTitles[] = {"${load_scene}", "${save_as_scene}",
                                              "${delete_scene}"};
    static constexpr const char* kButtons[] = {"${load}", "${save}", "${delete}"};
    FindControl(QStringLiteral("MessageTitle")).SetText(QLatin1String(kTitles[mMode]));
    FindControl(QStringLiteral("confirm_btn")).SetText(QLatin1String(kButtons[mMode]));
    FindControl(QStringLiteral("cancel_btn")).SetText(QStringLiteral("${exit}"));
    FillRows();
    if (auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>()) {
        list->setItemDelegate(new MarkedRowDelegate(list));
        QObject::connect(list, &QListWidget::itemSelectionChanged, list,
                         [this] { RefreshRowText(); });
    }
    if (mOwner.SceneId() > 0) {
        UpdateCurrentScene(mOwner.SceneId() - 1);
    }
    // The device names its current scene in WM_SENCE_ID; the page's worker asks, so that
    // this window opens at once even when the device is slow to answer.
    CHidDevice& link = mOwner.Device();
    mOwner.StartWorker([&link] { link.GetSceneId(); });
    tonvia::dialogs::FitWindowToContents(*this);
}

void CSceneWnd::OnDestroyed() {
    // Acknowledgements that come later go nowhere rather than to a closed window's number.
    WindowHandle self = GetHWND();
    mOwner.Device().mSceneWnd.compare_exchange_strong(self, kNoWindow);
    CloseBusy();
}

void CSceneWnd::FillRows() {
    auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>();
    if (list == nullptr) {
        return;
    }
    while (list->count() < kRows) {
        list->addItem(QString::number(list->count() + 1));
    }
    const ModelSet& model = mOwner.Model();
    for (int row = 0; row < kRows; ++row) {
        SetRowName(row, model.sceneNames[static_cast<std::size_t>(row)]);
    }
}

void CSceneWnd::SetRowName(int row, const std::wstring& name) {
    auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>();
    QListWidgetItem* item = list != nullptr ? list->item(row) : nullptr;
    if (item == nullptr) {
        return;
    }
    QWidget* cell = list->itemWidget(item);
    if (cell == nullptr) {
        cell = BuildLayout(QStringLiteral("xml/scene_listitem.ui"), list);
        if (cell == nullptr) {
            return;
        }
        cell->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks select the row
        list->setItemWidget(item, cell);
    }
    if (auto* value = cell->findChild<QLabel*>(QStringLiteral("value"))) {
        value->setText(QString::fromStdWString(name));
    }
}

QString CSceneWnd::RowName(int row) const {
    auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>();
    QListWidgetItem* item = list != nullptr ? list->item(row) : nullptr;
    QWidget* cell = item != nullptr ? list->itemWidget(item) : nullptr;
    auto* value = cell != nullptr ? cell->findChild<QLabel*>(QStringLiteral("value")) : nullptr;
    return value != nullptr ? value->text() : QString();
}

void CSceneWnd::UpdateCurrentScene(int row) {
    LogPrintA("UpdateCurrentScene %d\n", row);
    auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>();
    if (list == nullptr) {
        return;
    }
    mCurrentRow = row >= 0 && row < kRows ? row : -1;
    for (int r = 0; r < list->count(); ++r) {
        list->item(r)->setBackground(r == mCurrentRow ? QColor::fromRgba(kCurrentRowColour)
                                                      : QColor(0, 0, 0, 0));
    }
    RefreshRowText();
}

void CSceneWnd::RefreshRowText() {
    auto* list = FindControl(QStringLiteral("listview")).As<QListWidget>();
    if (list == nullptr) {
        return;
    }
    for (int r = 0; r < list->count(); ++r) {
        QListWidgetItem* item = list->item(r);
        // Dark text on the light mark; the selection's own look wins while selected.
        const bool marked = r == mCurrentRow && !item->isSelected();
        item->setForeground(marked ? QColor(0x17, 0x19, 0x1D) : QColor(0xD7, 0xDB, 0xE0));
        QWidget* cell = list->itemWidget(item);
        auto* value = cell != nullptr ? cell->findChild<QLabel*>(QStringLiteral("value")) : nullptr;
        if (value != nullptr) {
            value->setStyleSheet(marked               ? QStringLiteral("color: #17191D;")
                                 : item->isSelected() ? QStringLiteral("color: #F2A23A;")
                                                      : QString());
        }
    }
}

void CSceneWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("confirm_btn")) {
        LogPrintA("Click confirm_btn\n");
        Act(FindControl(QStringLiteral("listview")).GetCurSel(), false);
        return;
    }
    if (name == QLatin1String("cancel_btn")) {
        LogPrintA("Click cancel_btn\n");
    }
    DialogImplBase::OnClick(msg);
}

void CSceneWnd::Notify(TNotifyUI& msg) {
    if (msg.sType == QLatin1String(DUI_MSGTYPE_ITEMACTIVATE) &&
        msg.pSender.GetName() == QLatin1String("listview")) {
        Act(static_cast<int>(msg.wParam), true);
        return;
    }
    DialogImplBase::Notify(msg);
}

void CSceneWnd::Act(int row, bool activated) {
    static constexpr const char* kLogs[] = {"SENCE_LOAD id = %d\n", "SENCE_SAVE id = %d\n",
                                            "SENCE_DELETE id = %d\n"};
    LogPrintA(kLogs[mMode], row);
    if (row < 0 || row >= kRows) {
        return;
    }
    switch (mMode) {
        case kLoad:
            LoadSence(row + 1);
            if (activated) {
                UpdateCurrentScene(row);
            }
            return;
        case kSave:
            if (SaveSence(row + 1) || activated) {
                UpdateCurrentScene(row);
            }
            return;
        case kDelete:
            DeleteSence(row + 1);
            return;
    }
}

void CSceneWnd::LoadSence(int scene) {
    LogPrintA("LoadSence\n");
    const std::wstring& name = mOwner.Model().sceneNames[At(scene)];
    const QString text =
        name.empty()
            ? FillNumberAndNames(tonvia::ui::Translate(QStringLiteral("${load_scene_tips2}")),
                                 scene, {})
            : FillNumberAndNames(tonvia::ui::Translate(QStringLiteral("${load_scene_tips1}")),
                                 scene, {QString::fromStdWString(name)});
    if (!mOwner.mHooks.askBox || !mOwner.mHooks.askBox(text)) {
        return;
    }
    tonvia::ui::PostMessageTo(GetHWND(), WM_SHOW_LOADING);
    mOwner.SetSceneId(scene);
    mOwner.BeginLoadEntry("LoadSceneFromDsp");
    const WindowHandle self = GetHWND();
    mOwner.Device().mSceneWnd.store(self);
    const tonvia::tuning::StateReadPlan plan = tonvia::tuning::PlanStateRead(mOwner.Model());
    EqualizerManager& owner = mOwner;
    mOwner.StartWorker([&owner, scene, plan, self] {
        LogPrintA("LoadSenceThread start!\n");
        const bool loaded =
            tonvia::tuning::LoadStoredScene(owner.Session(), scene, plan, &owner.mStopWorker);
        // The read-back's reports are queued ahead of these: the page follows the model.
        owner.PostToWindow(WM_REFRESH_MAIN_PAGE);
        tonvia::ui::PostMessageTo(self, WM_CLOSE_LOADING);
        if (!loaded) {
            owner.PostToWindow(WM_TRANSFER_DONE, kTransferSceneAction, 0);
        }
        LogPrintA("LoadSenceThread end!\n");
    });
}

bool CSceneWnd::SaveSence(int scene) {
    LogPrintA("SaveSence\n");
    ModelSet& model = mOwner.Model();
    std::wstring name = model.sceneNames[At(scene)];
    if (!name.empty()) {
        const QString question = FillNumberAndNames(
            tonvia::ui::Translate(QStringLiteral("${save_scene_overwrite}")), scene, {});
        if (!mOwner.mHooks.askBox || !mOwner.mHooks.askBox(question)) {
            return false;
        }
    }
    if (!mOwner.mHooks.nameBox || mOwner.mHooks.nameBox(name) != 1) {
        return false;
    }
    name.resize(std::min<std::size_t>(name.size(), kSceneNameChars));
    const tonvia::tuning::DeviceSceneName bytes =
        tonvia::tuning::SceneNameToDevice(name, model.nameCodePage);
    model.sceneNames[At(scene)] = name;
    if (!name.empty()) {
        for (int other = 1; other <= kStoredSceneCount; ++other) {
            if (other == scene || model.sceneNames[At(other)] != name) {
                continue;
            }
            // The new name, scene j and scene j's name (the same text).
            const QString shown = QString::fromStdWString(name);
            if (mOwner.mHooks.showBox) {
                mOwner.mHooks.showBox(
                    FillNumberAndNames(tonvia::ui::Translate(QStringLiteral("${same_name_tips}")),
                                       other, {shown, shown}));
            }
            model.sceneNames[At(scene)].clear();
            SetRowName(scene - 1, {});
            return false;
        }
    }
    SetRowName(scene - 1, name);
    tonvia::ui::PostMessageTo(GetHWND(), WM_SHOW_LOADING);
    mOwner.SetSceneId(scene);
    const WindowHandle self = GetHWND();
    mOwner.Device().mSceneWnd.store(self);
    EqualizerManager& owner = mOwner;
    mOwner.StartWorker([&owner, scene, bytes, self] {
        LogPrintA("SaveSenceThread start!\n");
        const bool saved = tonvia::tuning::SaveWorkingScene(owner.Device(), scene, bytes);
        tonvia::ui::PostMessageTo(self, WM_CLOSE_LOADING);
        if (!saved) {
            owner.PostToWindow(WM_TRANSFER_DONE, kTransferSceneAction, 0);
        }
        LogPrintA("SaveSenceThread end!\n");
    });
    return true;
}

void CSceneWnd::DeleteSence(int scene) {
    LogPrintA("DeleteSence\n");
    tonvia::ui::PostMessageTo(GetHWND(), WM_SHOW_LOADING);
    mOwner.SetSceneId(scene);
    const WindowHandle self = GetHWND();
    mOwner.Device().mSceneWnd.store(self);
    mOwner.Model().sceneNames[At(scene)].clear();
    FillRows();
    EqualizerManager& owner = mOwner;
    mOwner.StartWorker([&owner, scene, self] {
        LogPrintA("DeleteSenceThread start!\n");
        const bool deleted = tonvia::tuning::DeleteStoredScene(owner.Device(), scene);
        // The acknowledgement closed the busy window; without one, the wait's end does.
        tonvia::ui::PostMessageTo(self, WM_CLOSE_LOADING);
        if (!deleted) {
            owner.PostToWindow(WM_TRANSFER_DONE, kTransferSceneAction, 0);
        }
        LogPrintA("DeleteSenceThread end!\n");
    });
}

void CSceneWnd::ShowBusy() {
    CloseBusy();
    auto* busy = new CLoadingWnd();
    if (!busy->Create(GetWidget(), QStringLiteral("loadingwnd"))) {
        delete busy;
        return;
    }
    mBusy = busy->GetWidget();
    busy->CenterWindow();
    busy->ShowModal();  // this window keeps receiving its messages meanwhile
}

void CSceneWnd::CloseBusy() {
    if (mBusy) {
        mBusy->close();
        mBusy = nullptr;
    }
}

void CSceneWnd::OnMessage(WindowMessage& message) {
    switch (message.message) {
        case WM_SHOW_LOADING:
            ShowBusy();
            return;
        case WM_CLOSE_LOADING:
        case WM_SENCE_DELETE_ACK:
            CloseBusy();
            return;
        case WM_READ_SENCE_VALUE:
            CloseBusy();
            if (mOwner.mHooks.showBox) {
                mOwner.mHooks.showBox(QStringLiteral("${save_scene_ok}"));
            }
            return;
        case WM_SENCE_ID: {
            const int id = static_cast<int>(message.lParam);
            mOwner.SetSceneId(id);
            LogPrintA("FLASH_SCENE_ID/mSceneId %d\n", id);
            if (id > 0) {
                UpdateCurrentScene(id - 1);
            }
            return;
        }
        default:
            DialogImplBase::OnMessage(message);
    }
}
