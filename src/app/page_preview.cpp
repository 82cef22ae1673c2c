#include "app/page_preview.h"

#include "app/text_convert.h"
#include "base/errors.h"
#include "base/files.h"
#include "config/calendar_context.h"
#include "html/write_command.h"

#include <QHash>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

constexpr int RenderDelayMs = 250;

const char* const ClassicCaption = "Preview of this month's page, with the values not yet saved";
const char* const ModernCaption
    = "Preview of this month's page, with the values not yet saved. A browser shows it better: "
      "the list it becomes on a phone, the print view and your own style sheet show there only.";

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

// The layout Qt's HTML cannot take from the modern page's styles, in the attributes it reads:
// the links of a navigation in one row, the caption as the coloured heading of its table, and
// the table's grid.
QString AsQtLaysOut(QString html, const QHash<QString, QString>& values)
{
    static const QRegularExpression navigation(R"re(<nav[^>]*>.*</nav>)re");
    QString laidOut;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : navigation.globalMatch(html)) {
        QString row = match.captured();
        row.remove("<ul>").remove("</ul>").remove("<li>").replace("</li>", " &nbsp; ");
        laidOut += html.mid(done, match.capturedStart() - done) + row;
        done = match.capturedEnd();
    }
    laidOut += html.mid(done);
    static const QRegularExpression caption(R"re(<table>\r?\n<caption>(.*)</caption>)re");
    laidOut.replace(caption,
                    "<p style=\"background-color:" + values.value("month-name-bg")
                        + ";color:" + values.value("month-name-fg")
                        + ";font-size:large;font-weight:bold;text-align:center\">\\1</p>\n"
                          "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
                          "style=\"border-collapse:collapse;border-color:"
                        + values.value("border") + "\">");
    // Page and cell colours as attributes; a cell's notes as lines, as Qt indents a list too far for a
    // cell.
    laidOut.replace("<body>", "<body bgcolor=\"" + values.value("main-bg") + "\">");
    laidOut.replace("<td class=\"day notes",
                    "<td bgcolor=\"" + values.value("notes-bg") + "\" class=\"day notes");
    laidOut.replace("<td class=\"day\"",
                    "<td bgcolor=\"" + values.value("dates-bg") + "\" class=\"day\"");
    laidOut.replace("<td class=\"blank\"", "<td bgcolor=\"" + values.value("blank-cell-bg") + "\"");
    laidOut.replace("<th scope=\"col\"",
                    "<th width=\"14%\" bgcolor=\"" + values.value("day-name-bg") + "\"");
    static const QRegularExpression noteList(R"re(</?ul>|</li>)re");
    static const QRegularExpression noteItem(R"re(<li[^>]*>)re");
    laidOut.remove(noteList);
    laidOut.replace(noteItem, "<br>");
    return laidOut;
}

// What Qt's HTML does not read of a modern page: custom properties (each var() gets the value
// the page's :root rule gives it), media queries (the phone and print rules are left out, so
// the pane shows the page as a wide window does) and the texts that the page's styles hide
// (the weekdays of the phone's list, the words for screen readers), which Qt would show.
QString ModernAsQtReadsIt(QString html)
{
    static const QRegularExpression property(R"re(--([a-z-]+):([^;}]*))re");
    static const QRegularExpression use(R"re(var\(--([a-z-]+)(?:,([^)]*))?\))re");
    static const QRegularExpression media(R"re(^@media[^\n]*\n)re",
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression hidden(R"re(<span class="(?:weekday|vh)">[^<]*</span> ?)re");
    int root = html.indexOf(":root{");
    QHash<QString, QString> values;
    if (root >= 0) {
        QString rule = html.mid(root, html.indexOf('}', root) - root);
        for (const QRegularExpressionMatch& match : property.globalMatch(rule))
            values.insert(match.captured(1), match.captured(2));
    }
    QString resolved;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : use.globalMatch(html)) {
        resolved += html.mid(done, match.capturedStart() - done);
        resolved += values.value(match.captured(1), match.captured(2));
        done = match.capturedEnd();
    }
    resolved += html.mid(done);
    resolved.remove(media);
    resolved.remove(hidden);
    resolved.remove("overflow-wrap:anywhere");
    return AsQtLaysOut(resolved, values);
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
    caption_ = new QLabel(ClassicCaption, this);
    caption_->setWordWrap(true);
    layout->addWidget(caption_);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("BrowserPreview");
    browser_->setOpenLinks(false);
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
    bool modern = settings.PAGESTYLE == 1;
    caption_->setText(modern ? ModernCaption : ClassicCaption);
    int scrolled = browser_->verticalScrollBar()->value();
    browser_->setHtml(modern ? ModernAsQtReadsIt(QString::fromUtf8(page_))
                             : AsQtReadsIt(FromWindows1252(page_)));
    browser_->verticalScrollBar()->setValue(scrolled);
}

void PagePreview::ShowNote(const QString& note)
{
    page_.clear();
    browser_->setHtml("<p><i>The page cannot be shown.</i></p><p>" + note.toHtmlEscaped() + "</p>");
}

}  // namespace mondeliar::app
