// mondeliar-cli: the calendar's commands without the windows, on the same core code.
// Writing needs nothing of Qt, so this executable links none of it and starts at once; the
// publish command runs mondeliar-publish (beside it, or in the installed tree's libexec folder)
// in this process's place.

#include "base/errors.h"
#include "base/files.h"
#include "base/program_folders.h"
#include "cli/cli_run.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace mondeliar {
namespace {

// The same command line, the same process: its messages, its exit status and its output
// are mondeliar-publish's, exactly as if this executable had run the command itself.
int RunPublishExecutable(const CliOptions&, int, char* argv[])
{
    std::string path = PublishExecutablePath(ExecutableFolder());
    argv[0] = path.data();
    ::execv(path.c_str(), argv);
    throw Error("Cannot run " + path + ": " + std::strerror(errno));
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    return mondeliar::RunCli(argc, argv, mondeliar::RunPublishExecutable);
}
