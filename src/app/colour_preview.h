#pragma once
// The Colors tab's sketch of a page: the page colours with a small month table on them,
// whose panels show the colour settings.

#include <QColor>
#include <QWidget>

#include <vector>

class QLabel;

namespace mondeliar::app {

// What one colour setting paints in the sketch.
enum class PreviewPart {
    MainFill,   // PanelMain
    MainText,   // LabelMainFG
    MonthFill,  // PanelMonth
    MonthText,
    DayFill,  // the seven day panels
    DayText,
    BlankFill,   // the five blank panels
    DateFill,    // date panels 1, 2, 4, 5, 7 and 9
    DateText,    // the numbers of all nine date panels
    NoteFill,    // date panels 3, 6 and 8
    NoteText,    // the three note labels
    BorderFill,  // PanelBorder
};

class ColourPreview : public QWidget {
public:
    explicit ColourPreview(QWidget* parent = nullptr);

    void Paint(PreviewPart part, const QColor& colour);

private:
    QWidget* AddPanel(const char* name, const QString& text, const QString& hint);

    QWidget* panelMain_;
    QLabel* labelMainFG_;
    QWidget* panelBorder_;
    QWidget* panelMonth_;
    std::vector<QWidget*> days_, blanks_, dates_, noteDates_;
    std::vector<QLabel*> numbers_, notes_;
};

}  // namespace mondeliar::app
