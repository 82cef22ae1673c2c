#pragma once
// The real dialogs: Qt's message boxes and standard dialogs, owned by the main window.

#include "app/user_dialogs.h"

class QWidget;

namespace mondeliar::app {

class QtUserDialogs : public UserDialogs {
public:
    // Boxes are owned by `parent` (the main window once it exists).
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowBox(BoxKind kind, const QString& text, const QString& details = {}) override;
    bool AskYesNo(const QString& text) override;
    std::optional<QColor> ChooseColor() override;
    std::optional<QString> ChooseFontFace() override;
    std::optional<QString> ChooseFolder(const QString& startFolder) override;
    std::optional<QString> ChooseOpenFile(const QString& filter) override;
    void OpenDocument(const QString& target) override;

private:
    QWidget* parent_ = nullptr;
    QColor lastColor_ = Qt::white;
    QString lastFontFace_ = "Comic Sans MS";
};

}  // namespace mondeliar::app
