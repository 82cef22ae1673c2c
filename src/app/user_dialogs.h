#pragma once
// Every message box, question and standard dialog of the windows goes through this one
// interface. The program shows real dialogs (QtUserDialogs); tests install a recorder that
// notes what would be shown and gives the answers, so no test ever waits on a modal box.

#include "base/messages.h"

#include <QColor>
#include <QString>

#include <exception>
#include <optional>
#include <string>

namespace mondeliar::app {

enum class BoxKind {
    Message,      // a plain message, one OK button
    ErrorReport,  // the standard error report: error icon, one OK button
    Warning,      // warning icon, one OK button
    Information,  // information icon, one OK button
};

class UserDialogs : public MessageSink {
public:
    // A message of the core (Windows-1252 text), shown as a plain message box.
    void ShowMessage(const std::string& text) override;

    // The standard error report of a failure: the text with a full stop added when it lacks
    // one, titled with the application's name.
    void ReportError(const std::string& coreText);
    void ReportError(const QString& text);
    // The report of a failure; a file error names its file, relative to DataFolder.
    void ReportError(const std::exception& failure);

    // The data folder, with a trailing "/": the files of errors are named from there.
    std::string DataFolder;

    // A box with one OK button; `details` is offered as the box's detailed text.
    virtual void ShowBox(BoxKind kind, const QString& text, const QString& details = {}) = 0;
    // A confirmation box with Yes and No; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;

    // The standard colour dialog, starting on the colour chosen last; nothing when cancelled.
    virtual std::optional<QColor> ChooseColor() = 0;
    // The font dialog for a face name, starting on the face chosen last.
    virtual std::optional<QString> ChooseFontFace() = 0;
    // The folder chooser, starting in `startFolder`.
    virtual std::optional<QString> ChooseFolder(const QString& startFolder) = 0;
    // The open-file dialog for an existing file, with a filter such as
    // "HTML files (*.htm *.html);;All files (*)".
    virtual std::optional<QString> ChooseOpenFile(const QString& filter) = 0;
    // Opens a document or web address with the desktop's default program. Nothing is
    // reported when nothing can open it.
    virtual void OpenDocument(const QString& target) = 0;
};

}  // namespace mondeliar::app
