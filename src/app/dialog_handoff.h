#pragma once
// The note editor, the purge dialog and the about box are not modal loops: opening one
// disables the main window and shows the dialog; closing it hides the dialog, enables the
// main window and brings it to the front.

class QWidget;

namespace mondeliar::app {

// Disables `mainWindow` and shows `dialog` (which stays usable though the main window, its
// parent, is disabled).
void OpenOverMainWindow(QWidget& mainWindow, QWidget& dialog);

// Hides `dialog`, enables `mainWindow` and brings it to the front.
void ReturnToMainWindow(QWidget& mainWindow, QWidget& dialog);

// Raises and activates a window.
void BringWindowToFront(QWidget& window);

}  // namespace mondeliar::app
