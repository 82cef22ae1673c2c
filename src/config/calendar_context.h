#pragma once
// Everything that belongs to the current calendar, owned once per process by the front end
// (the windows or mondeliar-cli) and handed down: settings, names, notes, recurring entries,
// the extra HTML texts, and the files they come from. Start-up and the calendar switch are
// written here once, so every front end loads a calendar the same way.

#include "base/one_based.h"
#include "config/calendar_settings.h"
#include "config/extra_html.h"
#include "config/languages.h"
#include "config/recurring_list.h"
#include "store/entry_store.h"

#include <string>
#include <vector>

namespace mondeliar {

class MessageSink;

struct Date {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    bool operator==(const Date& other) const
    {
        return Year == other.Year && Month == other.Month && Day == other.Day;
    }
};

// The system date of today.
Date SystemDate();

extern const char* const DefaultCalendarName;      // "default calendar"
extern const char* const CalendarsDirectoryError;  // the fatal start-up message

struct CalendarContext {
    // `programFolder` holds the language files; `dataFolder` the calendars and the extra
    // HTML files. Both end with "/".
    CalendarContext(std::string programFolder, std::string dataFolder, Date today,
                    MessageSink& messages);

    const std::string ProgramFolder;
    const std::string DataFolder;
    // The output folder (HTMLPATH) of a calendar made with the default settings: the program's
    // folder unless the front end says otherwise (an installed program uses the data folder).
    std::string DefaultOutputFolder;
    // Where a language the user adds is written, and where languages are looked for first:
    // the program's folder unless the front end says otherwise (an installed program's
    // language folder is not the user's to write, so it uses the data folder's).
    std::string UserLanguageFolder;
    const Date Today;  // the date at launch, kept for the whole run
    MessageSink& Messages;

    OneBasedArray<int, 12> MonthNumbers;  // the months in writing order
    std::string CalendarName = DefaultCalendarName;
    std::string SettingsFileName;
    CalendarSettings Settings;
    Languages Language;
    EntryStore Entries;
    RecurringList Recurring;
    ExtraHtmlTexts ExtraHtml;
    // Receives the main window's captions and hints that a language file carries.
    MainWindowTextSink MainWindowTexts;

    std::string CalendarsFolder() const { return DataFolder + CalendarsFolderPath; }
    // The recurring-entries file of the current calendar.
    std::string RecurringFileName() const;

    void LoadLanguage(const std::string& name);
    // The languages of the program's folder and the user's, sorted, each name once.
    std::vector<std::string> LanguageNames() const;
    // Writes `name`'s file into UserLanguageFolder, creating that folder when missing.
    void AddLanguage(const std::string& name, const LanguageNameSet& names);
    void LoadRecurring();
};

// Start-up of a calendar session, in order: MonthNumbers 1..12, the calendars folder
// (FatalError when it cannot be created), the default calendar's file names, its three files
// when missing, its settings, language and notes. A failing step raises its error and the
// steps after it do not run.
void StartUp(CalendarContext& context);

// The steps of StartUp that a front end may run one by one.
void PrepareCalendarsFolder(CalendarContext& context);
void CreateDefaultCalendarFiles(CalendarContext& context);
void LoadCurrentCalendar(CalendarContext& context);

// Makes `name` the current calendar: a new empty table, its file names bound, then its
// settings, recurring entries, language and notes loaded. A failing step raises its error
// and leaves the steps after it undone.
void SwitchCalendar(CalendarContext& context, const std::string& name);

// The calendars of a data folder: every entry of its calendars folder whose name has no
// extension, sorted without regard to case.
std::vector<std::string> ListCalendars(const std::string& dataFolder);

}  // namespace mondeliar
