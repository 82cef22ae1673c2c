#include "cli/cli_options.h"

#include "base/errors.h"
#include "base/integer_text.h"
#include "base/release.h"
#include "html/week_grid.h"

namespace mondeliar {

const char* const CliUsage
    = "Usage: mondeliar-cli [--data DIR] [--calendar NAME] [--today YYYY-MM-DD] write\n"
      "       mondeliar-cli [--data DIR] [--calendar NAME] [--today YYYY-MM-DD] [--verbose]\n"
      "                     [--passive] [--tls] [--changed-only] [--atomic] [--all] publish\n"
      "       mondeliar-cli --help | --version\n"
      "\n"
      "Mondeliar without its windows. Run it in the folder that holds your calendars (or name\n"
      "that folder with --data), as the program itself runs: it creates the folder\n"
      "\"calendars\" and the default calendar's files there when they are missing, loads the\n"
      "calendar's settings, language and notes, and the extra HTML texts (pagetrim.header,\n"
      "pagetrim.footer) of that folder.\n"
      "\n"
      "Commands:\n"
      "  write     Write the calendar's pages (twelve month pages, the current month's copy\n"
      "            and the all-months page) into the calendar's output folder (HTMLPATH).\n"
      "  publish   Write the pages, then upload them to the calendar's FTP server in one\n"
      "            session, or over SFTP (SSH) when the calendar's setting SFTP is TRUE.\n"
      "            Succeeds only when every file was stored. Over SFTP nothing is sent to\n"
      "            a server whose host key is neither the calendar's SFTPHOSTKEY nor in\n"
      "            ~/.ssh/known_hosts: the message shows its fingerprint and how to pin it.\n"
      "\n"
      "Options:\n"
      "  --data DIR          Use DIR as the data folder instead of the working folder, as if\n"
      "                      started there; it is created when missing. A leading \"~\" stands\n"
      "                      for your home folder.\n"
      "  --calendar NAME     Use the calendar NAME of the folder \"calendars\" instead of the\n"
      "                      default calendar, loaded as choosing it in the program does.\n"
      "  --today YYYY-MM-DD  Take this date as today's: it decides the first month written\n"
      "                      and which month becomes the \"current\" page.\n"
      "  --verbose           With publish: print the FTP session log (password masked),\n"
      "                      or the SFTP session's steps (never a password or key).\n"
      "  --passive           With publish: passive mode for every transfer, as the calendar's\n"
      "                      \"Passive mode\" setting does. Without it publishing starts in\n"
      "                      active mode and switches to passive by itself when the server\n"
      "                      cannot connect back (behind a NAT router, for instance).\n"
      "  --tls               With publish: explicit FTP over TLS (FTPS), as the calendar's\n"
      "                      \"Use TLS (FTPS)\" setting does: the password and the pages travel\n"
      "                      encrypted, and nothing is sent unless the server's certificate\n"
      "                      is trusted for its name, or has the calendar's \"Server\n"
      "                      certificate fingerprint\" (SHA-256).\n"
      "  --changed-only      With publish: send only the files that changed since they were\n"
      "                      last sent to the same server, user and folder, as the calendar's\n"
      "                      \"Publish only changed pages\" setting does.\n"
      "  --atomic            With publish: store each file under a temporary name and rename\n"
      "                      it over the old one, so that visitors never load half a page, as\n"
      "                      \"Replace pages atomically on the server\" does.\n"
      "                      These four options hold for this run only; the settings are not\n"
      "                      saved.\n"
      "  --all               With publish: send every file, even those that did not change.\n"
      "  --help              Print this text.\n"
      "  --version           Print the version.\n"
      "\n"
      "Messages go to the error output. The exit status is 0 on success and 1 on any error.\n";

std::string CliVersionText()
{
    return std::string("mondeliar-cli ") + ReleaseVersion;
}

namespace {

std::string ValueOf(int& i, int argc, const char* const argv[])
{
    std::string option = argv[i];
    if (i + 1 >= argc)
        throw Error("The option " + option + " needs a value");
    return argv[++i];
}

CliCommand CommandNamed(const std::string& name)
{
    if (name == "write")
        return CliCommand::Write;
    if (name == "publish")
        return CliCommand::Publish;
    throw Error("Unknown command \"" + name + "\" (try --help)");
}

}  // namespace

std::optional<Date> ParseIsoDate(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    std::optional<int> year = ParseInteger(text.substr(0, 4));
    std::optional<int> month = ParseInteger(text.substr(5, 2));
    std::optional<int> day = ParseInteger(text.substr(8, 2));
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1)
        return std::nullopt;
    if (*day > DaysInMonth(*month, *year))
        return std::nullopt;
    return Date{*year, *month, *day};
}

CliOptions ParseCliOptions(int argc, const char* const argv[])
{
    CliOptions options;
    std::optional<CliCommand> command;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.Command = CliCommand::Help;
            return options;
        }
        if (argument == "--version") {
            options.Command = CliCommand::Version;
            return options;
        }
        if (argument == "--calendar") {
            options.Calendar = ValueOf(i, argc, argv);
        } else if (argument == "--data") {
            options.Data = ValueOf(i, argc, argv);
        } else if (argument == "--today") {
            std::string value = ValueOf(i, argc, argv);
            options.Today = ParseIsoDate(value);
            if (!options.Today)
                throw Error("--today needs a date written YYYY-MM-DD, not \"" + value + "\"");
        } else if (argument == "--verbose") {
            options.Verbose = true;
        } else if (argument == "--passive") {
            options.Passive = true;
        } else if (argument == "--tls") {
            options.Tls = true;
        } else if (argument == "--changed-only") {
            options.ChangedOnly = true;
        } else if (argument == "--atomic") {
            options.Atomic = true;
        } else if (argument == "--all") {
            options.All = true;
        } else if (!argument.empty() && argument[0] == '-') {
            throw Error("Unknown option " + argument + " (try --help)");
        } else if (command) {
            throw Error("Only one command may be given (try --help)");
        } else {
            command = CommandNamed(argument);
        }
    }
    if (!command)
        throw Error("No command given (try --help)");
    options.Command = *command;
    return options;
}

}  // namespace mondeliar
