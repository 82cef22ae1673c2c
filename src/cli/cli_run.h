#pragma once
// The run of mondeliar-cli, shared by its two executables: mondeliar-cli itself, which links
// nothing of Qt and writes pages, and mondeliar-publish beside it, which it runs in its own
// place for the publish command (the FTP client needs Qt's event loop).

#include "base/messages.h"
#include "cli/cli_options.h"
#include "config/calendar_context.h"

#include <cstdio>
#include <functional>
#include <string>

namespace mondeliar {

// The text and a line end. The command line prints through stdio: the C++ streams alone
// would add a third to the start of every run.
void PrintLine(std::FILE* stream, const std::string& text);

// Messages the windows would show go to the error output.
class StderrMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override;
};

// Start-up as the program's in the working folder, the extra HTML texts of that folder,
// then the calendar switch when --calendar names a calendar. With --calendar, a default
// calendar that does not load is told on `warnings` and the switch goes on, as the windows
// go on after a start-up error; without it, the error ends the command. A calendars folder
// that cannot be created always ends it, and a --calendar name that would be a file of another
// calendar ("Club.cfg") is refused before anything is done.
void OpenCalendar(CalendarContext& context, const CliOptions& options, MessageSink& warnings);

// A calendar loaded for one command, in the folder --data names or else the working folder.
class CliSession {
public:
    explicit CliSession(const CliOptions& options);
    CalendarContext& Context() { return context_; }

private:
    StderrMessages messages_;
    CalendarContext context_;
};

// What the publish command runs: given the options and the whole command line, it returns
// the exit status.
using PublishRunner = std::function<int(const CliOptions& options, int argc, char* argv[])>;

// The whole command line: --help, write, or publish through `publish`. An error is printed
// on the error output as the standard error report and gives exit status 1.
int RunCli(int argc, char* argv[], const PublishRunner& publish);

}  // namespace mondeliar
