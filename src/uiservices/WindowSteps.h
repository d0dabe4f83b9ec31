#pragma once
// Tab and Shift+Tab in the view of a document window step to the previous
// or next document window of its area, in every kind of window alike.

class QKeyEvent;
class QWidget;

namespace pix {

// Steps from view's window when key is Tab or Shift+Tab; true when it was.
bool StepDocumentWindow(QWidget* view, const QKeyEvent& key);

}  // namespace pix
