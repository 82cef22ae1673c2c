// mondeliar-publish: mondeliar-cli with the publish command, which needs Qt's event loop for
// its upload. mondeliar-cli runs it for `publish`, with the same command line.

#include "cli/cli_run.h"
#include "publish/publish_command.h"

#include <QCoreApplication>

namespace mondeliar {
namespace {

// The outcome is the message the program would show; only a run that stored every file
// succeeds.
int Publish(const CliOptions& options, int argc, char* argv[])
{
    CliSession session(options);
    QCoreApplication application(argc, argv);
    // The options hold for this run: the settings file is not written.
    CalendarSettings& settings = session.Context().Settings;
    settings.FTPPASSIVE = settings.FTPPASSIVE || options.Passive;
    settings.FTPTLS = settings.FTPTLS || options.Tls;
    settings.FTPCHANGEDONLY = settings.FTPCHANGEDONLY || options.ChangedOnly;
    settings.FTPATOMIC = settings.FTPATOMIC || options.Atomic;
    PublishRequest request;
    if (options.Verbose)
        request.SessionLog = [](const std::string& line) { PrintLine(stderr, line); };
    request.UploadAll = options.All;
    PublishOutcome outcome = PublishCalendar(session.Context(), request);
    PrintLine(stderr, outcome.Message);
    return outcome.Succeeded ? 0 : 1;
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    return mondeliar::RunCli(argc, argv, mondeliar::Publish);
}
