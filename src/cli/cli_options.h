#pragma once
// The command line of mondeliar-cli.

#include "config/calendar_context.h"

#include <optional>
#include <string>

namespace mondeliar {

enum class CliCommand { Write, Publish, Help, Version };

struct CliOptions {
    CliCommand Command = CliCommand::Help;
    std::optional<std::string> Calendar;  // --calendar NAME
    std::optional<std::string> Data;      // --data DIR: the data folder instead of the working one
    std::optional<Date> Today;            // --today YYYY-MM-DD
    bool Verbose = false;                 // --verbose: the FTP session log
    bool Passive = false;                 // --passive: FTPPASSIVE for this run
    bool Tls = false;                     // --tls: FTPTLS for this run
    bool ChangedOnly = false;             // --changed-only: FTPCHANGEDONLY for this run
    bool Atomic = false;                  // --atomic: FTPATOMIC for this run
    bool All = false;                     // --all: every file, changed or not
};

// Reads the arguments after the program name. A mistake raises Error with a text that
// says what is wrong.
CliOptions ParseCliOptions(int argc, const char* const argv[]);

// A date written YYYY-MM-DD that exists in the calendar, or nothing.
std::optional<Date> ParseIsoDate(const std::string& text);

extern const char* const CliUsage;

// What --version prints: the name and the release's version.
std::string CliVersionText();

}  // namespace mondeliar
