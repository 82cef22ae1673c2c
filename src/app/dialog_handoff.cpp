#include "app/dialog_handoff.h"

#include <QWidget>

namespace mondeliar::app {

void OpenOverMainWindow(QWidget& mainWindow, QWidget& dialog)
{
    mainWindow.setEnabled(false);
    // A disabled parent disables its child windows too; the dialog is enabled on its own.
    dialog.setEnabled(true);
    dialog.show();
    BringWindowToFront(dialog);
}

void ReturnToMainWindow(QWidget& mainWindow, QWidget& dialog)
{
    dialog.hide();
    mainWindow.setEnabled(true);
    BringWindowToFront(mainWindow);
}

void BringWindowToFront(QWidget& window)
{
    window.raise();
    window.activateWindow();
}

}  // namespace mondeliar::app
