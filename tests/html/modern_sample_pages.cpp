// Writes the pages of three calendars in the modern style, for the page checks and the help's
// pictures: OUTPUT/full (1000 notes, 499 recurring entries), OUTPUT/other (French names,
// notes, links and images that are not ASCII, extra HTML, images for the labels) and
// OUTPUT/example (a club's few dates, as the help shows them). Today is 5 February 2002.
//
//   modern_sample_pages OUTPUT

#include "config/calendar_context.h"
#include "html/write_command.h"
#include "support/full_calendar.h"
#include "support/test_support.h"

#include <iostream>

namespace mondeliar {
namespace {

using testing::RecordingMessages;
using testing::TempDir;

struct Note {
    int Month, Day;
    std::vector<std::string> Texts;
    std::string Link;
};

class SampleCalendar {
public:
    explicit SampleCalendar(const std::string& pages)
        : context_(MONDELIAR_SOURCE_DIR "/resources/", data_.Path(), Date{2002, 2, 5}, messages_)
    {
        StartUp(context_);
        std::filesystem::create_directories(pages);
        context_.Settings.HTMLPATH = pages + "/";
        context_.Settings.PAGESTYLE = 1;
        context_.Settings.ICSFEED = true;
    }

    CalendarContext& Context() { return context_; }

    void Add(const Note& note, const std::string& dateLink = "", const std::string& image = "")
    {
        EntryStore& entries = context_.Entries;
        entries.FindEntry(note.Month, note.Day, 2002);
        CalendarEntry& entry = entries.CurrentEntry;
        entry.Month = note.Month;
        entry.Day = note.Day;
        entry.Year = 2002;
        for (std::size_t k = 0; k < note.Texts.size(); ++k)
            entry.Notes[k] = note.Texts[k];
        entry.NoteURLs[0] = note.Link;
        entry.DateURL = dateLink;
        entry.DateImage = image;
        entries.StoreEntry(note.Month, note.Day, 2002);
    }

    void SetRecurring(const std::vector<std::array<std::string, 3>>& rows)
    {
        for (std::size_t r = 0; r < rows.size(); ++r)
            context_.Recurring.SetRow(static_cast<int>(r + 1), rows[r][0], rows[r][1], rows[r][2]);
    }

    void Write()
    {
        SaveRecurring(context_.Recurring, context_.RecurringFileName());
        WriteCalendarPages(context_);
    }

private:
    TempDir data_;
    RecordingMessages messages_;
    CalendarContext context_;
};

void WriteFullCalendar(const std::string& pages)
{
    SampleCalendar calendar(pages);
    testing::FillNotes(calendar.Context().Entries, 2002);
    testing::FillRecurring(calendar.Context().Recurring);
    calendar.Write();
}

void WriteNonAsciiCalendar(const std::string& pages)
{
    SampleCalendar calendar(pages);
    CalendarContext& context = calendar.Context();
    CalendarSettings& s = context.Settings;
    s.LANGUAGESELECTED = "French";
    context.LoadLanguage("French");
    s.STARTYEAR = 1;
    s.STARTWEEK = 1;
    s.HTMLOPTION = 2;
    s.DISPLAYWEBPAGETITLE = true;
    s.YEARLABEL = 0;
    s.MONTHLABEL = 2;
    s.TITLE = "Calendrier de l'\xE9t\xE9";
    s.KEYWORDS = ",f\xEAtes,r\xE9unions";
    context.ExtraHtml.Header
        = TextLines({"<p>Bienvenue \xE0 <a href=\"index.html\">l'accueil</a> \x80 \x93"
                     "club\x94</p>"});
    calendar.Add({2,
                  5,
                  {"R\xE9union \x80 <b>gras</b> &amp; \x93"
                   "cit\xE9\x94",
                   "&#26085;&#26412;"},
                  "http://example.org/r\xE9union?q=\xFC"},
                 "http://example.org/f\xEAte", "f\xEAte.gif");
    calendar.Add({3, 1, {std::string(100, 'W')}, ""}, "", "\xE9t\xE9.png");
    calendar.Add({12, 24, {"R\xE9veillon", "a < b"}, "https://example.org/no\xEBl"});
    calendar.SetRecurring({{"2", "6",
                            "Anniversaire de l'\xE9"
                            "cole"},
                           {"12", "25", "No\xEBl"}});
    calendar.Write();
}

void WriteExampleCalendar(const std::string& pages)
{
    SampleCalendar calendar(pages);
    CalendarSettings& s = calendar.Context().Settings;
    s.TITLE = "Riverside Chess Club";
    s.DISPLAYWEBPAGETITLE = true;
    s.STARTWEEK = 1;
    s.COLORMONTHNAMEBG = "1F4F7A";
    s.COLORMONTHNAMEFG = "FFFFFF";
    s.COLORDAYNAMEBG = "EEF3F9";
    s.COLORNOTESBG = "FFF7E0";
    s.USEBORDERCOLOR = true;
    s.COLORBORDER = "9FB3CC";
    calendar.Add({2, 2, {"Club night"}, ""});
    calendar.Add(
        {2, 5, {"Rapid tournament, round 1", "Bring your own clock"}, "http://example.org/rapid"},
        "http://example.org/february");
    calendar.Add({2, 9, {"Club night"}, ""});
    calendar.Add({2, 12, {"Rapid tournament, round 2"}, "http://example.org/rapid"});
    calendar.Add({2, 16, {"Club night"}, ""});
    calendar.Add({2, 19, {"Lecture: the endgame"}, ""});
    calendar.Add({2, 23, {"Club night", "Annual meeting at 8 pm"}, "http://example.org/agm"});
    calendar.SetRecurring({{"2", "14", "Valentine's blitz"}, {"2", "28", "Subscriptions due"}});
    calendar.Write();
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: modern_sample_pages OUTPUT\n";
        return 2;
    }
    std::string output = argv[1];
    try {
        mondeliar::WriteFullCalendar(output + "/full");
        mondeliar::WriteNonAsciiCalendar(output + "/other");
        mondeliar::WriteExampleCalendar(output + "/example");
    } catch (const std::exception& error) {
        std::cerr << "modern_sample_pages: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
