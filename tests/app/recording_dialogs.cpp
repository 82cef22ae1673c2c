#include "app/recording_dialogs.h"

namespace mondeliar::app::testing {

namespace {

template <typename T> T TakeFirst(std::deque<T>& answers, T otherwise)
{
    if (answers.empty())
        return otherwise;
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

void RecordingDialogs::ShowBox(BoxKind kind, const QString& text, const QString& details)
{
    Boxes.push_back({kind, text, details});
}

bool RecordingDialogs::AskYesNo(const QString& text)
{
    Questions.push_back(text);
    return TakeFirst(YesNoAnswers, false);
}

std::optional<QColor> RecordingDialogs::ChooseColor()
{
    return TakeFirst<std::optional<QColor>>(ColorAnswers, std::nullopt);
}

std::optional<QString> RecordingDialogs::ChooseFontFace()
{
    return TakeFirst<std::optional<QString>>(FontAnswers, std::nullopt);
}

std::optional<QString> RecordingDialogs::ChooseFolder(const QString& startFolder)
{
    FolderStarts.push_back(startFolder);
    return TakeFirst<std::optional<QString>>(FolderAnswers, std::nullopt);
}

std::optional<QString> RecordingDialogs::ChooseOpenFile(const QString& filter)
{
    FileFilters.push_back(filter);
    return TakeFirst<std::optional<QString>>(FileAnswers, std::nullopt);
}

void RecordingDialogs::OpenDocument(const QString& target)
{
    OpenedDocuments.push_back(target);
}

QStringList RecordingDialogs::Texts() const
{
    QStringList texts;
    for (const ShownBox& box : Boxes)
        texts.push_back(box.Text);
    return texts;
}

}  // namespace mondeliar::app::testing
