#include "app/program_options.h"

#include "base/errors.h"
#include "base/release.h"

namespace mondeliar::app {

const char* const ProgramUsage
    = "Usage: mondeliar [--data DIR]\n"
      "       mondeliar --help | --version\n"
      "\n"
      "Mondeliar keeps a small public calendar: notes on dates, written as web pages and\n"
      "published over FTP. It works in its data folder: the working folder, or DIR.\n"
      "\n"
      "Options:\n"
      "  --data DIR  Use DIR as the data folder, as if started there; it is created when\n"
      "              missing. A leading \"~\" stands for your home folder.\n"
      "  --help      Print this text.\n"
      "  --version   Print the version.\n"
      "\n"
      "mondeliar-cli writes and publishes the calendars without the windows.\n";

std::string ProgramVersionText()
{
    return std::string("mondeliar ") + ReleaseVersion;
}

ProgramOptions ParseProgramOptions(int argc, const char* const argv[])
{
    ProgramOptions options;
    options.ForQt.push_back(argc > 0 ? argv[0] : "mondeliar");
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.Help = true;
        } else if (argument == "--version") {
            options.Version = true;
        } else if (argument == "--data") {
            if (i + 1 >= argc)
                throw Error("The option --data needs a value");
            options.Data = argv[++i];
        } else {
            options.ForQt.push_back(argument);
        }
    }
    return options;
}

void RefuseLeftOverArguments(int argc, const char* const argv[])
{
    if (argc < 2)
        return;
    std::string argument = argv[1];
    if (!argument.empty() && argument[0] == '-')
        throw Error("Unknown option " + argument + " (try --help)");
    throw Error("Unexpected argument \"" + argument + "\" (try --help)");
}

}  // namespace mondeliar::app
