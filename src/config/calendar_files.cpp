#include "config/calendar_files.h"

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

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
           && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

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

}  // namespace mondeliar
