#pragma once
// The files of one calendar, all in the calendars folder. The notes file bears the calendar's
// name and the settings and recurring files add an extension; the files that only the program
// reads begin with a dot, which no calendar name does, so that they can never be a calendar's.

#include "config/calendar_settings.h"

#include <string>

namespace mondeliar {

struct CalendarContext;

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

// Creates `path` empty unless an entry of that name exists: notes left behind by a lost
// settings file are not emptied by creating the calendar again.
void CreateFileWhenMissing(const std::string& path);

// The calendar `name` in the context's calendars folder, with its settings file written from
// the context's settings as `mode` says and its notes and recurring files empty; the current
// calendar stays current. Returns why it was not created (a name that is not usable, or one
// that exists), or "" once it is; raises the file error of a failed write.
std::string CreateCalendar(const CalendarContext& context, const std::string& name,
                           SaveMode mode);
// Removes every file of the calendar `name`. Returns why nothing was removed (a name that is
// not usable, or no settings file of that name), or "" once it is done; raises the file error
// of a file that cannot be removed.
std::string DeleteCalendar(const CalendarContext& context, const std::string& name);

}  // namespace mondeliar
