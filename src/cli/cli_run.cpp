#include "cli/cli_run.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/program_folders.h"
#include "config/calendar_files.h"
#include "html/write_command.h"

#include <clocale>

namespace mondeliar {

namespace {

std::string WorkingFolder()
{
    return WorkingFolderPath() + "/";
}

// --data: the named folder becomes the working folder; without it the working folder is the
// data folder.
std::string EnterDataFolderOf(const CliOptions& options)
{
    if (options.Data)
        EnterDataFolder(ExpandHomeFolder(*options.Data));
    return WorkingFolder();
}

void LoadDefaultCalendar(CalendarContext& context)
{
    CreateDefaultCalendarFiles(context);
    LoadCurrentCalendar(context);
}

int Run(int argc, char* argv[], const PublishRunner& publish)
{
    CliOptions options = ParseCliOptions(argc, argv);
    if (options.Command == CliCommand::Help) {
        std::fputs(CliUsage, stdout);
        return 0;
    }
    if (options.Command == CliCommand::Version) {
        PrintLine(stdout, CliVersionText());
        return 0;
    }
    if (options.Command == CliCommand::Publish)
        return publish(options, argc, argv);
    // Kept to the end of the process on purpose: it ends with the command, and freeing the
    // thousands of texts of a full calendar one by one took a tenth of a write's time.
    static CliSession* session = nullptr;
    session = new CliSession(options);
    WriteCalendarPages(session->Context());
    return 0;
}

}  // namespace

void PrintLine(std::FILE* stream, const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
}

void StderrMessages::ShowMessage(const std::string& text)
{
    PrintLine(stderr, text);
}

void OpenCalendar(CalendarContext& context, const CliOptions& options, MessageSink& warnings)
{
    if (options.Calendar) {
        const std::string collision = CalendarNameCollision(*options.Calendar);
        if (!collision.empty())
            throw Error(collision);
    }
    PrepareCalendarsFolder(context);
    if (!options.Calendar) {
        LoadDefaultCalendar(context);
    } else {
        try {
            LoadDefaultCalendar(context);
        } catch (const Error& error) {
            warnings.ShowMessage("Warning: the default calendar could not be loaded: "
                                 + StandardErrorReportText(FailureText(error, context.DataFolder)));
        }
    }
    LoadExtraHtml(context.ExtraHtml, context.DataFolder);
    if (options.Calendar)
        SwitchCalendar(context, *options.Calendar);
}

CliSession::CliSession(const CliOptions& options)
    : context_(LanguageFolder(ExecutableFolder()), EnterDataFolderOf(options),
               options.Today.value_or(SystemDate()), messages_)
{
    context_.DefaultOutputFolder = NewCalendarOutputFolder(ExecutableFolder(), context_.DataFolder);
    context_.UserLanguageFolder = UserLanguageFolder(ExecutableFolder(), context_.DataFolder);
    OpenCalendar(context_, options, messages_);
}

int RunCli(int argc, char* argv[], const PublishRunner& publish)
{
    std::setlocale(LC_TIME, "");
    try {
        return Run(argc, argv, publish);
    } catch (const std::exception& error) {
        // A file error names its file, relative to the data folder (the working folder).
        PrintLine(stderr, StandardErrorReportText(FailureText(error, WorkingFolder())));
        return 1;
    }
}

}  // namespace mondeliar
