#include "app/qt_user_dialogs.h"

#include "base/program.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace mondeliar::app {

namespace {

QMessageBox::Icon IconOf(BoxKind kind)
{
    switch (kind) {
    case BoxKind::ErrorReport:
        return QMessageBox::Critical;
    case BoxKind::Warning:
        return QMessageBox::Warning;
    case BoxKind::Information:
        return QMessageBox::Information;
    case BoxKind::Message:
        break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void QtUserDialogs::ShowBox(BoxKind kind, const QString& text, const QString& details)
{
    QMessageBox box(IconOf(kind), ProgramTitle, text, QMessageBox::Ok, parent_);
    // Spelled as the program's own Ok buttons.
    box.button(QMessageBox::Ok)->setText("Ok");
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}

bool QtUserDialogs::AskYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, ProgramTitle, text, QMessageBox::Yes | QMessageBox::No,
                    parent_);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QColor> QtUserDialogs::ChooseColor()
{
    QColor chosen = QColorDialog::getColor(lastColor_, parent_);
    if (!chosen.isValid())
        return std::nullopt;
    lastColor_ = chosen;
    return chosen;
}

std::optional<QString> QtUserDialogs::ChooseFontFace()
{
    bool confirmed = false;
    QFont font = QFontDialog::getFont(&confirmed, QFont(lastFontFace_), parent_);
    if (!confirmed)
        return std::nullopt;
    lastFontFace_ = font.family();
    return lastFontFace_;
}

std::optional<QString> QtUserDialogs::ChooseFolder(const QString& startFolder)
{
    QString folder = QFileDialog::getExistingDirectory(parent_, QString(), startFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QString> QtUserDialogs::ChooseOpenFile(const QString& filter)
{
    QString file = QFileDialog::getOpenFileName(parent_, QString(), QString(), filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

void QtUserDialogs::OpenDocument(const QString& target)
{
    QUrl url = QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile);
    if (QFileInfo(target).isRelative() && !target.contains("://"))
        url = QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    QDesktopServices::openUrl(url);
}

}  // namespace mondeliar::app
