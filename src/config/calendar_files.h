#pragma once
// The files of one calendar, all in the calendars folder. The notes file bears the calendar's
// name and the settings and recurring files add an extension; the files that only the program
// reads begin with a dot, which no calendar name does, so that they can never be a calendar's.

#include <string>

namespace mondeliar {

struct CalendarFiles {
    // `calendarsFolder` ends with "/".
    CalendarFiles(const std::string& calendarsFolder, const std::string& name);

    std::string Notes;        // <name>
    std::string Settings;     // <name>.cfg
    std::string Recurring;    // <name>.rcr
    std::string SentRecord;   // .<name>.sent: what publishing last stored on the server
    std::string PublishLock;  // .<name>.lock: held while the calendar is being published
};

// Why a new calendar cannot be called `name` because its notes file would be a file of
// another calendar ("Club.cfg" is the settings file of "Club"); "" when it can.
std::string CalendarNameCollision(const std::string& name);

}  // namespace mondeliar
