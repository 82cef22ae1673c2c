#pragma once
// A stand-in for the real dialogs: records every box and question, and gives prepared
// answers, so the windows can be driven headless without a modal loop.

#include "app/user_dialogs.h"

#include <deque>
#include <ostream>
#include <vector>

// Test failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace mondeliar::app::testing {

struct ShownBox {
    BoxKind Kind;
    QString Text;
    QString Details;
};

class RecordingDialogs : public UserDialogs {
public:
    void ShowBox(BoxKind kind, const QString& text, const QString& details = {}) override;
    bool AskYesNo(const QString& text) override;
    std::optional<QColor> ChooseColor() override;
    std::optional<QString> ChooseFontFace() override;
    std::optional<QString> ChooseFolder(const QString& startFolder) override;
    std::optional<QString> ChooseOpenFile(const QString& filter) override;
    void OpenDocument(const QString& target) override;

    // The texts of the boxes shown, in order.
    QStringList Texts() const;

    std::vector<ShownBox> Boxes;
    QStringList Questions;
    QStringList OpenedDocuments;
    QStringList FolderStarts;
    QStringList FileFilters;

    // Answers, taken in order; a question without a prepared answer is answered No, a
    // dialog without a prepared result is cancelled.
    std::deque<bool> YesNoAnswers;
    std::deque<std::optional<QColor>> ColorAnswers;
    std::deque<std::optional<QString>> FontAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    std::deque<std::optional<QString>> FileAnswers;
};

}  // namespace mondeliar::app::testing
