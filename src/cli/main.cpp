// mondeliar-cli: the calendar's commands without the windows, on the same core code.

#include "base/errors.h"
#include "base/files.h"
#include "base/messages.h"
#include "cli/cli_options.h"
#include "config/calendar_context.h"
#include "html/write_command.h"
#include "net/ftp_client.h"
#include "publish/publish_command.h"

#include <QCoreApplication>

#include <clocale>
#include <filesystem>
#include <iostream>

namespace mondeliar {
namespace {

class StderrMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { std::cerr << text << '\n'; }
};

std::string WorkingFolder()
{
    return std::filesystem::current_path().string() + "/";
}

// Start-up as the program's, then the calendar switch when a calendar is named.
void OpenCalendar(CalendarContext& context, const CliOptions& options)
{
    StartUp(context);
    LoadExtraHtml(context.ExtraHtml, context.DataFolder);
    if (options.Calendar)
        SwitchCalendar(context, *options.Calendar);
}

// Publishing needs the event loop that the FTP client runs on. The outcome is the message
// the program would show; only a run that stored every file succeeds.
int Publish(CalendarContext& context, const CliOptions& options, int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    // The options hold for this run: the settings file is not written.
    if (options.Passive)
        context.Settings.FTPPASSIVE = true;
    if (options.Tls)
        context.Settings.FTPTLS = true;
    net::TFtpClient client;
    std::function<void(const std::string&)> sessionLog;
    if (options.Verbose)
        sessionLog = [](const std::string& line) { std::cerr << line << '\n'; };
    PublishOutcome outcome = PublishCalendar(context, client, {}, sessionLog);
    std::cerr << outcome.Message << '\n';
    return outcome.Succeeded ? 0 : 1;
}

int Run(int argc, char* argv[])
{
    CliOptions options = ParseCliOptions(argc, argv);
    if (options.Command == CliCommand::Help) {
        std::cout << CliUsage;
        return 0;
    }
    StderrMessages messages;
    CalendarContext context(ExecutableFolder(), WorkingFolder(),
                            options.Today.value_or(SystemDate()), messages);
    OpenCalendar(context, options);
    if (options.Command == CliCommand::Publish)
        return Publish(context, options, argc, argv);
    WriteCalendarPages(context);
    return 0;
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    std::setlocale(LC_TIME, "");
    try {
        return mondeliar::Run(argc, argv);
    } catch (const mondeliar::Error& error) {
        std::cerr << mondeliar::StandardErrorReportText(error.what()) << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << mondeliar::StandardErrorReportText(error.what()) << '\n';
        return 1;
    }
}
