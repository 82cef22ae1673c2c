#include "config/calendar_files.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/output_file.h"
#include "config/calendar_context.h"

#include <cerrno>
#include <unistd.h>

namespace mondeliar {

namespace {

// A calendar's notes file named like one of these belongs to the calendar named before it.
// Earlier versions kept the record of what was published as "<name>.sent": such a file may
// still lie in the folder.
const struct {
    const char* extension;
    const char* file;
} OtherCalendarsFiles[] = {
    {".cfg", "the settings file of the calendar"},
    {".rcr", "the recurring entries file of the calendar"},
    {".sent", "the record of the pages published for the calendar"},
};

const char* const UnusableName = "A calendar name must not be empty, begin with \".\", or "
                                 "contain \"/\" or control characters.";

// A name that stays in the calendars folder and cannot be a hidden file there.
bool IsUsableCalendarName(const std::string& name)
{
    if (name.empty() || name.front() == '.')
        return false;
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::string NameRefusal(const std::string& name)
{
    return IsUsableCalendarName(name) ? CalendarNameCollision(name) : UnusableName;
}

void RemoveFileWhenPresent(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        ThrowFileError(errno, path);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
           && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void CreateFileWhenMissing(const std::string& path)
{
    if (FileExists(path))
        return;
    OutputFile file(path);
    file.Close();
}

CalendarFiles::CalendarFiles(const std::string& calendarsFolder, const std::string& name)
    : Notes(calendarsFolder + name)
    , Settings(Notes + ".cfg")
    , Recurring(Notes + ".rcr")
    , SentRecord(calendarsFolder + "." + name + ".sent")
    , PublishLock(calendarsFolder + "." + name + ".lock")
{
}

std::string CalendarNameCollision(const std::string& name)
{
    for (const auto& other : OtherCalendarsFiles) {
        const std::string extension = other.extension;
        if (!EndsWith(name, extension) || name.size() == extension.size())
            continue;
        return "A calendar cannot be called \"" + name + "\": its notes file would be " + other.file
               + " \"" + name.substr(0, name.size() - extension.size()) + "\".";
    }
    return std::string();
}

std::string CreateCalendar(const CalendarContext& context, const std::string& name,
                           SaveMode mode)
{
    const std::string refusal = NameRefusal(name);
    if (!refusal.empty())
        return refusal;
    const CalendarFiles files(context.CalendarsFolder(), name);
    if (FileExists(files.Settings))
        return "A calendar with that name already exists";
    SaveConfig(context.Settings, files.Settings, mode, context.DefaultOutputFolder);
    CreateFileWhenMissing(files.Notes);
    CreateFileWhenMissing(files.Recurring);
    return std::string();
}

std::string DeleteCalendar(const CalendarContext& context, const std::string& name)
{
    const std::string refusal = NameRefusal(name);
    if (!refusal.empty())
        return refusal;
    const CalendarFiles files(context.CalendarsFolder(), name);
    if (!FileExists(files.Settings))
        return "No calendar with that name exists";
    RemoveFileWhenPresent(files.Notes);
    RemoveFileWhenPresent(files.Settings);
    RemoveFileWhenPresent(files.Recurring);
    // What was sent from this calendar says nothing of a new one of the same name.
    RemoveFileWhenPresent(files.SentRecord);
    RemoveFileWhenPresent(files.PublishLock);
    return std::string();
}

}  // namespace mondeliar
