#include "ui/control_factory.h"

#include <QMap>
#include <QWidget>

#include "ui/sbutton.h"

namespace tonvia::ui {
namespace {

QWidget* MakePlaceholder(QWidget* parent, const char* className) {
    auto* widget = new QWidget(parent);
    widget->setProperty("tvClass", QString::fromLatin1(className));
    return widget;
}

QMap<QString, ControlFactory>& Factories() {
    static QMap<QString, ControlFactory> factories{
        {QStringLiteral("curve"), [](QWidget* p) { return MakePlaceholder(p, "UIEqualizer"); }},
        {QStringLiteral("curveac"), [](QWidget* p) { return MakePlaceholder(p, "UIEqualizerAc"); }},
        {QStringLiteral("circleprogress"),
         [](QWidget* p) { return MakePlaceholder(p, "CircleProgress"); }},
        {QStringLiteral("sbutton"), [](QWidget* p) { return new CSButtonUI(p); }},
    };
    return factories;
}

}  // namespace

void RegisterControlFactory(const QString& tag, ControlFactory factory) {
    Factories().insert(tag.toLower(), std::move(factory));
}

QWidget* CreateApplicationControl(const QString& tag, QWidget* parent) {
    const auto it = Factories().constFind(tag.toLower());
    if (it == Factories().constEnd() || !*it) {
        return nullptr;
    }
    return (*it)(parent);
}

}  // namespace tonvia::ui
