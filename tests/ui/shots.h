#pragma once
// Pictures of windows for the shots folder (TONVIA_SHOTS_DIR, from the environment or the
// build), shared by the GUI test programs.

#include <QString>

class QWidget;

namespace gui_testing {

// Writes a picture of `widget` to the shots folder as <name>.png.
void WriteShot(QWidget* widget, const QString& name);

}  // namespace gui_testing
