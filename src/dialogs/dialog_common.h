#pragma once
// What the small dialogs share: sizing to their contents and the modal run.

#include <QString>

class QWidget;
class WindowImplBase;

namespace tonvia::dialogs {

// The layouts give a comfortable size at 100 %, but a long translation or a large display
// scale may need more. Grows the window (never shrinks it) until every laid-out control,
// wrapped labels included, has the room it asks for.
void FitWindowToContents(WindowImplBase& window);

// Creates `window` (a heap object) over `parent`, centres it and runs it modally; returns
// the close code. A window whose layout cannot be built is freed and gives 0, so that a
// question is never taken as confirmed.
// The rule of the dialogs laid out for six input rows and eight output columns: the window
// drops the two unused columns (230 units) and 83 units per missing row, at the display
// scale.
void SizeToInputRows(WindowImplBase& window, int inputRows);

int RunModal(WindowImplBase* window, QWidget* parent, const QString& windowName);

}  // namespace tonvia::dialogs
