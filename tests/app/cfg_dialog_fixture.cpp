#include "app/cfg_dialog_fixture.h"

#include "app/radio_group.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <filesystem>

namespace mondeliar::app::testing {

namespace {

std::string MakeFolders(const mondeliar::testing::TempDir& dir)
{
    for (const char* folder : {"program", "data", "pages"})
        std::filesystem::create_directory(dir / folder);
    for (const auto& file :
         std::filesystem::directory_iterator(std::string(MONDELIAR_SOURCE_DIR) + "/resources"))
        if (file.path().extension() == ".lang")
            std::filesystem::copy_file(file.path(),
                                       dir / ("program/" + file.path().filename().string()));
    return dir / "program/";
}

}  // namespace

CfgDialogTest::CfgDialogTest() : context(MakeFolders(dir), dir / "data/", Date{2002, 2, 5}, dialogs)
{
    StartUp(context);
    dialogs.DataFolder = context.DataFolder;
    dialog = std::make_unique<TFormCfg>(context, dialogs, mainWindow);
}

void CfgDialogTest::ShowTab(const QString& caption)
{
    auto* tabs = Find<QTabWidget>("PageControl");
    QTabBar* bar = tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == caption) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
            ASSERT_EQ(tabs->currentIndex(), i);
            return;
        }
    FAIL() << "no tab " << caption.toStdString();
}

void CfgDialogTest::Type(const char* name, const QString& text)
{
    QWidget* edit = Find<QWidget>(name);
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    TypeText(edit, text);
}

void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(widget, QString(c));
            continue;
        }
        // A character without a key of its own arrives as the text of a key event.
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

void CfgDialogTest::Click(const char* name)
{
    auto* button = Find<QAbstractButton>(name);
    ASSERT_NE(button, nullptr);
    ClickButton(button);
}

// Check boxes and radio buttons take clicks on their box and text only, which a stretched
// button's centre may miss: they are clicked on their box.
void ClickButton(QAbstractButton* button)
{
    bool boxed = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QPoint point = boxed ? QPoint(button->fontMetrics().height() / 2 + 2, button->height() / 2)
                         : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, {}, point);
}

void CfgDialogTest::Choose(const char* name, int index)
{
    auto* group = Find<RadioGroup>(name);
    ASSERT_NE(group, nullptr);
    ClickButton(group->Button(index));
}

void CfgDialogTest::TypeIntoCell(QAbstractItemView* grid, int row, int column, const QString& text)
{
    // An editor closed before is deleted only later; it must not be found as the new one.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QPoint cell = grid->visualRect(index).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QLineEdit* editor = nullptr;
    for (QLineEdit* child : grid->viewport()->findChildren<QLineEdit*>())
        if (child->isVisible())
            editor = child;
    ASSERT_NE(editor, nullptr) << "no editor opened";
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    TypeText(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<std::string> CfgDialogTest::SettingsLines() const
{
    return mondeliar::testing::SplitLines(SettingsFile(), "\r\n");
}

std::string CfgDialogTest::Value(const std::vector<std::string>& lines,
                                 const std::string& key) const
{
    for (const std::string& line : lines)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "(missing)";
}

}  // namespace mondeliar::app::testing
