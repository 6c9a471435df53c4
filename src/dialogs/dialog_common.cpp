#include "dialogs/dialog_common.h"

#include <QLayout>
#include <QPushButton>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "ui/display_scale.h"
#include "ui/window_impl_base.h"

namespace tonvia::dialogs {

void FitWindowToContents(WindowImplBase& window) {
    QWidget* host = window.GetWidget();
    if (host == nullptr) {
        return;
    }
    // The layout's root is the host's only direct child widget.
    QWidget* root = host->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (root == nullptr || root->layout() == nullptr) {
        return;
    }
    // Style sheets change fonts and paddings only when a widget is polished: measure after.
    host->ensurePolished();
    // Buttons keep a common width ("minwidth", layout units) unless their text needs more.
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        const QVariant units = button->property("minwidth");
        if (units.isValid()) {
            button->setMinimumWidth(
                std::max(window.Scale(units.toInt()), button->sizeHint().width()));
        }
    }
    // Texts set just now have not yet invalidated the nested layouts (that happens in a
    // posted event): drop every cached size.
    for (QLayout* nested : root->findChildren<QLayout*>()) {
        nested->invalidate();
    }
    QLayout* layout = root->layout();
    layout->invalidate();
    layout->activate();
    const QSize minimum = layout->totalMinimumSize();
    const int width = std::max(host->width(), minimum.width());
    const int wanted = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                   : layout->totalSizeHint().height();
    const int height = std::max({host->height(), wanted, minimum.height()});
    if (width != host->width() || height != host->height()) {
        host->resize(width, height);
    }
}

void SizeToInputRows(WindowImplBase& window, int inputRows) {
    constexpr int kUnusedWidth = 230;
    constexpr int kUnusedHeight = 498;
    constexpr int kInputRowHeight = 83;
    QWidget* host = window.GetWidget();
    QWidget* root = host != nullptr
                        ? host->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                        : nullptr;
    if (root == nullptr) {
        return;
    }
    const QSize layout = tonvia::ui::LayoutUnitSize(root);
    const int s = window.ScalePercent();
    host->resize((layout.width() - kUnusedWidth) * s / 100,
                 (kInputRowHeight * inputRows + layout.height() - kUnusedHeight) * s / 100);
}

int RunModal(WindowImplBase* window, QWidget* parent, const QString& windowName) {
    if (window == nullptr) {
        return 0;
    }
    if (!window->Create(parent, windowName)) {
        delete window;
        return 0;
    }
    window->CenterWindow();
    return window->ShowModal();
}

}  // namespace tonvia::dialogs
