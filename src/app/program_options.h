#pragma once
// The command line of mondeliar: --data DIR, --version and --help. Every other argument is
// left for Qt (such as -platform or -style); whatever Qt does not take either is a mistake.

#include <optional>
#include <string>
#include <vector>

namespace mondeliar::app {

struct ProgramOptions {
    bool Help = false;
    bool Version = false;
    std::optional<std::string> Data;   // --data DIR: the data folder instead of the working one
    std::vector<std::string> ForQt;    // the program's name, then the arguments left for Qt
};

// Reads the whole command line. A mistake raises Error with a text that says what is wrong.
ProgramOptions ParseProgramOptions(int argc, const char* const argv[]);

// The arguments Qt left unread, after the program's name: each is a mistake. Raises Error
// naming the first.
void RefuseLeftOverArguments(int argc, const char* const argv[]);

extern const char* const ProgramUsage;

// What --version prints: the name and the release's version.
std::string ProgramVersionText();

}  // namespace mondeliar::app
