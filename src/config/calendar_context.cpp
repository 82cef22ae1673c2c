#include "config/calendar_context.h"

#include "base/errors.h"
#include "base/files.h"
#include "config/calendar_files.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <strings.h>
#include <sys/stat.h>

namespace mondeliar {

const char* const DefaultCalendarName = "default calendar";
const char* const CalendarsDirectoryError = "FATAL ERROR: Cannot create calendars directory.";

namespace {

void BindCalendarFiles(CalendarContext& context, const std::string& folder)
{
    const CalendarFiles files(folder, context.CalendarName);
    context.Entries.NotesFileName = files.Notes;
    context.SettingsFileName = files.Settings;
}

}  // namespace

Date SystemDate()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CalendarContext::CalendarContext(std::string programFolder, std::string dataFolder, Date today,
                                 MessageSink& messages)
    : ProgramFolder(std::move(programFolder))
    , DataFolder(std::move(dataFolder))
    , DefaultOutputFolder(ProgramFolder)
    , UserLanguageFolder(ProgramFolder)
    , Today(today)
    , Messages(messages)
    , Entries(messages)
{
    for (int i = 1; i <= MonthNumbers.Count; ++i)
        MonthNumbers[i] = i;
}

// The calendar's files always lie in the calendars folder. NOTEPATH names that folder in
// the settings file, but a value edited into the file must not move where files are read
// and written.
std::string CalendarContext::RecurringFileName() const
{
    return CalendarFiles(CalendarsFolder(), CalendarName).Recurring;
}

void CalendarContext::LoadLanguage(const std::string& name)
{
    const std::string& folder
        = HoldsLanguage(UserLanguageFolder, name) ? UserLanguageFolder : ProgramFolder;
    Language.LoadLanguage(folder, name, MainWindowTexts);
}

std::vector<std::string> CalendarContext::LanguageNames() const
{
    std::vector<std::string> names = ListLanguages(ProgramFolder);
    if (UserLanguageFolder != ProgramFolder) {
        std::vector<std::string> own = ListLanguages(UserLanguageFolder);
        names.insert(names.end(), own.begin(), own.end());
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
    }
    return names;
}

void CalendarContext::AddLanguage(const std::string& name, const LanguageNameSet& names)
{
    // A folder that cannot be made shows as the language file's own error, naming it.
    ::mkdir(UserLanguageFolder.c_str(), 0777);
    WriteLanguageFile(UserLanguageFolder, name, names);
}

void CalendarContext::LoadRecurring()
{
    mondeliar::LoadRecurring(Recurring, RecurringFileName());
}

void PrepareCalendarsFolder(CalendarContext& context)
{
    for (int i = 1; i <= context.MonthNumbers.Count; ++i)
        context.MonthNumbers[i] = i;
    std::string folder = context.CalendarsFolder();
    std::string entry = folder.substr(0, folder.size() - 1);
    // Any entry of that name counts as present, even a plain file.
    if (!FileExists(entry) && ::mkdir(entry.c_str(), 0777) != 0)
        throw FatalError(CalendarsDirectoryError);
    context.CalendarName = DefaultCalendarName;
    BindCalendarFiles(context, folder);
}

void CreateDefaultCalendarFiles(CalendarContext& context)
{
    const CalendarFiles files(context.CalendarsFolder(), DefaultCalendarName);
    CreateFileWhenMissing(files.Notes);
    if (!FileExists(files.Settings)) {
        context.SettingsFileName = files.Settings;
        SaveConfig(context.Settings, context.SettingsFileName, SaveMode::Defaults,
                   context.DefaultOutputFolder);
    }
    CreateFileWhenMissing(files.Recurring);
}

void LoadCurrentCalendar(CalendarContext& context)
{
    LoadConfig(context.Settings, context.SettingsFileName);
    context.LoadLanguage(context.Settings.LANGUAGESELECTED);
    context.Entries.AllocateTable();
    context.Entries.LoadEntries();
}

void StartUp(CalendarContext& context)
{
    PrepareCalendarsFolder(context);
    CreateDefaultCalendarFiles(context);
    LoadCurrentCalendar(context);
}

void SwitchCalendar(CalendarContext& context, const std::string& name)
{
    context.Entries.AllocateTable();
    context.Settings.NOTEPATH = CalendarsFolderPath;
    RequirePlainFileName(name);
    context.CalendarName = name;
    BindCalendarFiles(context, context.CalendarsFolder());
    LoadConfig(context.Settings, context.SettingsFileName);
    context.LoadRecurring();
    context.LoadLanguage(context.Settings.LANGUAGESELECTED);
    context.Entries.LoadEntries();
}

std::vector<std::string> ListCalendars(const std::string& dataFolder)
{
    std::vector<std::string> names;
    for (std::string& name : FolderEntries(dataFolder + CalendarsFolderPath)) {
        // Names with a dot are the settings and recurring files, or hidden entries.
        if (name.find('.') == std::string::npos)
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ::strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

}  // namespace mondeliar
