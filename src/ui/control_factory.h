#pragma once
// The application's own controls, created for layout tags that Qt does not know. Later
// libraries replace the placeholders ("Curve", "CurveAc", "CircleProgress") by registering
// their controls.

#include <QString>
#include <functional>

class QWidget;

namespace tonvia::ui {

using ControlFactory = std::function<QWidget*(QWidget* parent)>;

// Registers (or replaces) the control made for `tag`; tags ignore case.
void RegisterControlFactory(const QString& tag, ControlFactory factory);
// The control for `tag`, or null for any other tag.
QWidget* CreateApplicationControl(const QString& tag, QWidget* parent);

}  // namespace tonvia::ui
