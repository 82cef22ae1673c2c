#pragma once
// TFormAbout, the about box: the banner, the icon (a double-click opens the wish list), the
// program's name and version, the e-mail and web addresses, and Ok. It has no close box.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace mondeliar::app {

class UserDialogs;

// The project's own addresses, shown and opened by the about box.
extern const char* const WishListAddress;
extern const char* const MakerEmailAddress;
extern const char* const AboutFurtherLine;

class TFormAbout : public QDialog {
public:
    TFormAbout(UserDialogs& dialogs, QWidget& mainWindow);

    // ButtonAbout: the main window disabled, the box shown.
    void OpenDialog();

protected:
    // Escape and the window manager's close act as Ok.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void ButtonOkClick();

    UserDialogs& dialogs_;
    QWidget& mainWindow_;

    QFrame* Panel1;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* LabelProgramName;
    QLabel* LabelVersion;
    QLabel* LabelFurther;
    QLabel* LabelEmail;
    QLabel* LabelURL;
    QPushButton* ButtonOk;
};

}  // namespace mondeliar::app
