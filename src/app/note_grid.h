#pragma once
// sgNotes, the note editor's grid: a heading row ("Note", "URL for note"), ten rows of a note
// and its link edited in place, and a grey first column by which a row is dragged to another
// place. After a drag the rows are renumbered, so row r always holds note r.

#include <QTableWidget>

namespace mondeliar::app {

class NoteGrid : public QTableWidget {
public:
    static constexpr int NoteRows = 10;

    explicit NoteGrid(QWidget* parent = nullptr);

    // Row 1..10: the note and its link.
    QString Note(int row) const;
    QString NoteUrl(int row) const;
    void SetRow(int row, const QString& note, const QString& url);

    // Ends an edit in progress, keeping what was typed.
    void CommitOpenEditor();

protected:
    // Tab walks the cells and, after the last one, leaves the grid for the next control
    // (Shift+Tab before the first one); Ctrl+Tab leaves it from any cell.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    // Whether Tab (`next`) or Shift+Tab leaves the grid from the current cell.
    bool AtEdge(bool next) const;
    void MoveDraggedRow(int oldVisual, int newVisual);
    void FitHeightToRows();
    QString CellText(int row, int column) const;
};

}  // namespace mondeliar::app
