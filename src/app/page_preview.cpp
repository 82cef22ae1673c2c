#include "app/page_preview.h"

#include "app/text_convert.h"
#include "base/errors.h"
#include "base/files.h"
#include "config/calendar_context.h"
#include "html/write_command.h"

#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

constexpr int RenderDelayMs = 250;

// Under "External files instead" the page needs both files; say which one is missing
// rather than the bare file error.
QString MissingTrimFile(const CalendarSettings& s)
{
    if (s.HTMLOPTION != 1)
        return {};
    if (!FileExists(s.HEADERFILE))
        return "The header file \"" + FromWindows1252(s.HEADERFILE) + "\" does not exist.";
    if (!FileExists(s.FOOTERFILE))
        return "The footer file \"" + FromWindows1252(s.FOOTERFILE) + "\" does not exist.";
    return {};
}

// What browsers read from a page and Qt's HTML does not: colours without "#", and a "<"
// followed by a blank as text (the month heading's "November < December >"). The pane gets
// the page in the form Qt reads; the page bytes stay as written.
QString AsQtReadsIt(QString html)
{
    static const QRegularExpression attribute(
        R"re(((?:BGCOLOR|COLOR|BORDERCOLOR)=")([0-9A-Fa-f]{6})")re",
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression style(R"re((color:)([0-9A-Fa-f]{6})\b)re",
                                          QRegularExpression::CaseInsensitiveOption);
    html.replace(attribute, "\\1#\\2\"");
    html.replace(style, "\\1#\\2");
    html.replace("< ", "&lt; ");
    return html;
}

}  // namespace

std::unique_ptr<CalendarContext> PreviewCalendar(const CalendarContext& context,
                                                 const CalendarSettings& settings)
{
    auto copy = std::make_unique<CalendarContext>(context.ProgramFolder, context.DataFolder,
                                                  context.Today, context.Messages);
    copy->MonthNumbers = context.MonthNumbers;
    copy->CalendarName = context.CalendarName;
    copy->SettingsFileName = context.SettingsFileName;
    copy->Settings = settings;
    copy->Language = context.Language;
    copy->Recurring = context.Recurring;
    copy->ExtraHtml = context.ExtraHtml;
    copy->Entries.NotesFileName = context.Entries.NotesFileName;
    for (int slot = 1; slot <= MaxEntries; ++slot)
        copy->Entries.Slot(slot) = context.Entries.Slot(slot);
    return copy;
}

PagePreview::PagePreview(CalendarContext& context, std::function<CalendarSettings()> settings,
                         QWidget* parent)
    : QWidget(parent), context_(context), settings_(std::move(settings))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    caption_ = new QLabel("Preview of this month's page, with the values not yet saved", this);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("BrowserPreview");
    browser_->setOpenLinks(false);
    // A narrow pane scrolls sideways rather than break a weekday name inside the word.
    browser_->setWordWrapMode(QTextOption::WordWrap);
    layout->addWidget(browser_, 1);

    timer_.setSingleShot(true);
    timer_.setInterval(RenderDelayMs);
    connect(&timer_, &QTimer::timeout, this, &PagePreview::Refresh);
}

void PagePreview::Schedule()
{
    if (isVisible())
        timer_.start();
}

void PagePreview::Refresh()
{
    timer_.stop();
    CalendarSettings settings = settings_();
    QString missing = MissingTrimFile(settings);
    if (!missing.isEmpty()) {
        ShowNote(missing);
        return;
    }
    try {
        std::unique_ptr<CalendarContext> calendar = PreviewCalendar(context_, settings);
        page_ = RenderMonthPage(*calendar, context_.Today.Month);
    } catch (const std::exception& error) {
        ShowNote(FromWindows1252(StandardErrorReportText(error.what())));
        return;
    }
    int scrolled = browser_->verticalScrollBar()->value();
    browser_->setHtml(AsQtReadsIt(FromWindows1252(page_)));
    browser_->verticalScrollBar()->setValue(scrolled);
}

void PagePreview::ShowNote(const QString& note)
{
    page_.clear();
    browser_->setHtml("<p><i>The page cannot be shown.</i></p><p>" + note.toHtmlEscaped() + "</p>");
}

}  // namespace mondeliar::app
