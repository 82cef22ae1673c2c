// The note editor driven as a user would: typing, dragging rows, the limits of its fields,
// Ok and Cancel.

#include "app/desktop_fixture.h"
#include "app/form_add_note.h"
#include "app/month_grid.h"
#include "app/note_grid.h"
#include "store/calendar_entry.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextCharFormat>

#include <filesystem>

namespace mondeliar::app::testing {
namespace {

using mondeliar::testing::ReadFile;
using mondeliar::testing::WriteFile;

// A free slot's line in the notes file.
const std::string FreeLine = "\"0\",\"0\",\"0\"" + [] {
    std::string empty;
    for (int i = 0; i < 22; ++i)
        empty += ",\"\"";
    return empty;
}() + "\r\n";

class NoteEditorTest : public DesktopTest {
protected:
    TFormAddNote& Editor() { return desktop->FormAddNote(); }
    NoteGrid* Grid() { return Control<NoteGrid>(Editor(), "sgNotes"); }
    QLineEdit* Edit(const char* name) { return Control<QLineEdit>(Editor(), name); }

    // Opens the editor for 5 February 2002, ready for keys.
    void Open()
    {
        DoubleClickDate(LaunchDate);
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &Editor(); }));
    }

    // Types `text` into a cell (row 1..10, column 0 note, 1 link), as after F2.
    void TypeIntoCell(int row, int column, const QString& text)
    {
        Grid()->setCurrentCell(row - 1, column);
        QTest::keyClick(Grid(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(Grid()->indexWidget(Grid()->currentIndex()));
        ASSERT_NE(editor, nullptr);
        editor->end(false);
        TypeText(editor, text);
    }

    // The open cell editor's text.
    QString CellEditorText()
    {
        auto* editor = qobject_cast<QLineEdit*>(Grid()->indexWidget(Grid()->currentIndex()));
        return editor ? editor->text() : QString("<no editor>");
    }

    // Drags the grey box of row `from` onto row `to` (1..10) with the mouse.
    void DragRow(int from, int to)
    {
        QHeaderView* grey = Grid()->verticalHeader();
        QWidget* area = grey->viewport();
        QPoint start(grey->width() / 2, grey->sectionViewportPosition(from - 1) + 4);
        QPoint end(grey->width() / 2, grey->sectionViewportPosition(to - 1) + 2);
        QTest::mousePress(area, Qt::LeftButton, {}, start);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(area, start + (end - start) * step / 4);
        QTest::mouseRelease(area, Qt::LeftButton, {}, end);
    }

    std::string NotesFile() { return ReadFile(data / "calendars/default calendar"); }
};

TEST_F(NoteEditorTest, ATypedNoteReachesTheNotesFileByteForByte)
{
    Start();
    Open();
    ASSERT_TRUE(Editor().isVisible());
    EXPECT_EQ(Editor().windowTitle(), "Adding note for February 5, 2002");
    EXPECT_EQ(Main().SelectedDate(), LaunchDate);
    TypeIntoCell(1, 0, QString::fromUtf8("Say \"hi\" at the caf\xC3\xA9"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(Editor().isVisible()) << "Enter ends the cell's edit, not the editor";
    TypeIntoCell(1, 1, "http://example.org/");
    TypeText(Edit("EditDateURL"), "http://example.org/day");
    TypeText(Edit("EditDateImage"), "party.gif");
    Click(Editor(), "ButtonOk");

    EXPECT_FALSE(Editor().isVisible());
    EXPECT_TRUE(Main().isEnabled());
    std::string line = "\"2\",\"5\",\"2002\",\"Say &quot;hi&quot; at the caf\xE9\"";
    for (int i = 0; i < 9; ++i)
        line += ",\"\"";
    line += ",\"http://example.org/\"";
    for (int i = 0; i < 9; ++i)
        line += ",\"\"";
    line += ",\"http://example.org/day\",\"party.gif\"\r\n";
    std::string expected = line;
    for (int k = 2; k <= MaxEntries; ++k)
        expected += FreeLine;
    EXPECT_EQ(NotesFile(), expected);
    EXPECT_TRUE(Boxes().isEmpty()) << Boxes().join('|').toStdString();

    // The date is bold now; the gauge waits for the next switch.
    auto* grid = Control<MonthGrid>(Main(), "Calendar1");
    EXPECT_EQ(grid->dateTextFormat(QDate(2002, 2, 5)).fontWeight(), QFont::Bold);
    EXPECT_EQ(Control<QProgressBar>(Main(), "GaugeUsage")->value(), 0);

    // Opened again, the editor shows the note as it was typed.
    Open();
    EXPECT_EQ(Grid()->Note(1), QString::fromUtf8("Say \"hi\" at the caf\xC3\xA9"));
    EXPECT_EQ(Grid()->NoteUrl(1), "http://example.org/");
    EXPECT_EQ(Edit("EditDateURL")->text(), "http://example.org/day");
    EXPECT_EQ(Edit("EditDateImage")->text(), "party.gif");
    Click(Editor(), "ButtonOk");
    EXPECT_EQ(NotesFile(), expected) << "an unchanged record is stored back unchanged";
}

TEST_F(NoteEditorTest, ADraggedRowReordersTheNotes)
{
    std::filesystem::create_directories(data / "calendars");
    CalendarEntry entry;
    entry.Month = 2;
    entry.Day = 5;
    entry.Year = 2002;
    for (int n = 0; n < 3; ++n) {
        entry.Notes[n] = "Note " + std::to_string(n + 1);
        entry.NoteURLs[n] = "http://example.org/" + std::to_string(n + 1);
    }
    WriteFile(data / "calendars/default calendar", FormatEntryLine(entry) + "\r\n");
    Start();
    Open();
    EXPECT_EQ(Grid()->Note(3), "Note 3");
    DragRow(3, 1);
    EXPECT_EQ(Grid()->Note(1), "Note 3");
    EXPECT_EQ(Grid()->NoteUrl(1), "http://example.org/3");
    EXPECT_EQ(Grid()->Note(2), "Note 1");
    EXPECT_EQ(Grid()->verticalHeader()->logicalIndex(0), 0) << "the header stays in order";
    Click(Editor(), "ButtonOk");

    Context().Entries.FindEntry(2, 5, 2002);
    const CalendarEntry& stored = Context().Entries.CurrentEntry;
    EXPECT_EQ(stored.Notes[0], "Note 3");
    EXPECT_EQ(stored.NoteURLs[0], "http://example.org/3");
    EXPECT_EQ(stored.Notes[1], "Note 1");
    EXPECT_EQ(stored.NoteURLs[1], "http://example.org/1");
    EXPECT_EQ(stored.Notes[2], "Note 2");
    EXPECT_EQ(stored.NoteURLs[2], "http://example.org/2");
}

TEST_F(NoteEditorTest, CancelStoresNothing)
{
    WriteNotes("default calendar", {{2, 5, 2002, "Meeting"}});
    Start();
    std::string before = NotesFile();
    Open();
    TypeIntoCell(1, 0, " moved");
    TypeIntoCell(2, 0, "Lunch");
    Click(Editor(), "ButtonCancel");
    EXPECT_EQ(NotesFile(), before);
    Context().Entries.FindEntry(2, 5, 2002);
    EXPECT_EQ(Context().Entries.CurrentEntry.Notes[0], "Meeting");
    EXPECT_EQ(Context().Entries.CurrentEntry.Notes[1], "");
    // The next opening shows the stored record, nothing of the cancelled edit.
    Open();
    EXPECT_EQ(Grid()->Note(1), "Meeting");
    EXPECT_EQ(Grid()->Note(2), "");
}

// The limits count the stored text: a quote takes six characters ("&quot;"), a character
// outside Windows-1252 its reference. The edit refuses what would not fit.
TEST_F(NoteEditorTest, EditsRefuseInputPastTheStoredLimit)
{
    struct Row {
        const char* field;  // "cell" (of the row below), or the name of an edit
        int row;
        int filled;  // characters typed first
        QString refused;
        QString accepted;
    };
    const QString japanese = QString::fromUtf8("\xE6\x97\xA5");  // stored as "&#26085;"
    const Row rows[] = {
        {"cell", 3, 99, "\"", "b"},
        {"cell", 4, 94, japanese, "\""},
        {"EditDateURL", 0, 99, "\"", "b"},
        {"EditDateImage", 0, 24, "\"", "b"},
        {"EditDateImage", 0, 19, japanese, "\""},
    };
    Start();
    Open();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " after " + std::to_string(row.filled));
        QString start(row.filled, 'a');
        QString shown;
        if (std::string(row.field) == "cell") {
            TypeIntoCell(row.row, 0, start + row.refused + row.accepted + "c");
            shown = CellEditorText();
            Grid()->CommitOpenEditor();
        } else {
            QLineEdit* edit = Edit(row.field);
            edit->clear();
            TypeText(edit, start + row.refused + row.accepted + "c");
            shown = edit->text();
        }
        EXPECT_EQ(shown, start + row.accepted);
    }
    Click(Editor(), "ButtonOk");
    Context().Entries.FindEntry(2, 5, 2002);
    const CalendarEntry& stored = Context().Entries.CurrentEntry;
    EXPECT_EQ(stored.Notes[2], std::string(99, 'a') + "b");
    EXPECT_EQ(stored.Notes[3], std::string(94, 'a') + "&quot;");
    EXPECT_EQ(stored.DateImage, std::string(19, 'a') + "&quot;");
    EXPECT_EQ(stored.DateURL, std::string(99, 'a') + "b");
}

TEST_F(NoteEditorTest, AFullTableIsReportedAndTheEditorCloses)
{
    std::vector<std::tuple<int, int, int, std::string>> records;
    for (int k = 0; k < MaxEntries; ++k)
        records.emplace_back(k % 12 + 1, k / 12 % 28 + 1, 1990 + k / 336, "x");
    WriteNotes("default calendar", records);
    Start();
    Open();
    TypeIntoCell(1, 0, "One too many");
    Click(Editor(), "ButtonOk");
    EXPECT_EQ(Boxes(), QStringList{"Maximum entries exceeded. Purge old entries."});
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::Message);
    EXPECT_FALSE(Editor().isVisible());
    EXPECT_TRUE(Main().isEnabled());
}

TEST_F(NoteEditorTest, ANotesFileThatCannotBeWrittenKeepsTheEditorOpen)
{
    Start();
    Open();
    TypeIntoCell(1, 0, "Meeting");
    // A folder where the notes file should be: the save cannot replace it.
    std::filesystem::remove(data / "calendars/default calendar");
    std::filesystem::create_directory(data / "calendars/default calendar");
    Click(Editor(), "ButtonOk");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::ErrorReport);
    EXPECT_TRUE(Editor().isVisible());
    EXPECT_FALSE(Main().isEnabled());
    // The table holds the record; Cancel returns to the main window.
    EXPECT_EQ(
        Control<MonthGrid>(Main(), "Calendar1")->dateTextFormat(QDate(2002, 2, 5)).fontWeight(),
        QFont::Bold);
    Click(Editor(), "ButtonCancel");
    EXPECT_TRUE(Main().isEnabled());
}

// Tab walks the cells, then the date's link, its image, Ok and Cancel; Ctrl+Tab leaves the
// grid from any cell.
TEST_F(NoteEditorTest, TheKeyboardMovesThroughTheEditorInOrder)
{
    struct Row {
        const char* from;  // "cell", "editor" (a cell being edited) or a control's name
        int row, column;
        QKeyCombination key;
        const char* to;
    };
    const Row rows[] = {
        {"cell", 10, 1, Qt::Key_Tab, "EditDateURL"},
        {"editor", 10, 1, Qt::Key_Tab, "EditDateURL"},
        {"editor", 4, 1, Qt::Key_Tab, "sgNotes"},
        {"cell", 2, 0, Qt::CTRL | Qt::Key_Tab, "EditDateURL"},
        {"cell", 1, 0, Qt::SHIFT | Qt::Key_Backtab, "ButtonCancel"},
        {"EditDateURL", 0, 0, Qt::Key_Tab, "EditDateImage"},
        {"EditDateImage", 0, 0, Qt::Key_Tab, "ButtonOk"},
    };
    Start();
    Open();
    for (const Row& row : rows) {
        QWidget* start = std::string(row.from) == "cell" || std::string(row.from) == "editor"
                             ? Grid()
                             : Control(Editor(), row.from);
        Grid()->setCurrentCell(row.row - 1, row.column);
        if (std::string(row.from) == "editor")
            TypeIntoCell(row.row, row.column, "x");
        start->setFocus();
        QTest::keyClick(QApplication::focusWidget(), row.key.key(), row.key.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), row.to) << row.from << row.row;
    }
}

// Escape is Cancel, asking first when something was typed; Ctrl+Return is Ok, also from a
// cell's editor, whose text it keeps.
TEST_F(NoteEditorTest, EscapeAsksOnlyAfterTypingAndCtrlReturnIsOk)
{
    // Typed into the image name; the answer; whether the editor stays open.
    const std::tuple<QString, bool, bool> rows[]
        = {{"", false, false}, {"b.gif", false, true}, {"b.gif", true, false}};
    Start();
    for (const auto& [typed, yes, stays] : rows) {
        dialogs.Questions.clear();
        dialogs.YesNoAnswers = {yes};
        if (!Editor().isVisible())
            Open();
        TypeText(Edit("EditDateImage"), typed);
        QTest::keyClick(Edit("EditDateImage"), Qt::Key_Escape);
        EXPECT_EQ(dialogs.Questions.size(), typed.isEmpty() ? 0 : 1);
        EXPECT_EQ(Editor().isVisible(), stays);
    }
    EXPECT_EQ(Context().Entries.CountUsedEntries(), 0) << "nothing stored";
    Open();
    TypeIntoCell(1, 0, "Lunch");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(Editor().isVisible());
    Context().Entries.FindEntry(2, 5, 2002);
    EXPECT_EQ(Context().Entries.CurrentEntry.Notes[0], "Lunch");
}

TEST_F(NoteEditorTest, ResizingKeepsTheMinimumSizeAndTheGridFollows)
{
    Start();
    Open();
    Editor().resize(300, 200);
    EXPECT_GE(Editor().width(), 550);
    EXPECT_GE(Editor().height(), 340);
    Editor().resize(900, 500);
    QTest::qWait(0);
    EXPECT_EQ(Grid()->width(), Editor().width());
    auto* header = Grid()->horizontalHeader();
    EXPECT_EQ(header->sectionSize(0), header->sectionSize(1));
}

}  // namespace
}  // namespace mondeliar::app::testing
