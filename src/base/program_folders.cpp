#include "base/program_folders.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/release.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {

namespace {

const char* const LanguageSuffix = ".lang";
const char* const HelpIndex = "index.html";
const char* const DataHelpIndex = "doc/index.html";
const char* const PublishExecutable = "mondeliar-publish";
const char* const OwnLanguagePath = "languages/";

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
           && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool HoldsLanguageFile(const std::string& folder)
{
    for (const std::string& name : FolderEntries(folder))
        if (EndsWith(name, LanguageSuffix) && IsRegularFile(folder + name))
            return true;
    return false;
}

// The prefix of the installed tree an executable of `folder` belongs to: `folder` less the
// folder it is installed in (bin/ or libexec/mondeliar/); for any other folder, its parent.
std::string InstalledPrefix(const std::string& folder)
{
    for (const std::string installed : {InstalledLibexecFolder, InstalledBinFolder})
        if (EndsWith(folder, "/" + installed))
            return folder.substr(0, folder.size() - installed.size());
    std::string parent = folder.substr(0, folder.size() - 1);
    return parent.substr(0, parent.rfind('/') + 1);
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

// Each missing folder on the way is created; one that exists already is fine.
void CreateFolders(const std::string& folder)
{
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        std::string part = folder.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            throw Error("Cannot create the data folder " + folder + ": " + std::strerror(errno));
        if (end == std::string::npos)
            return;
    }
}

}  // namespace

std::string LanguageFolder(const std::string& executableFolder)
{
    if (HoldsLanguageFile(executableFolder))
        return executableFolder;
    return InstalledPrefix(executableFolder) + InstalledLanguageFolder;
}

std::string NewCalendarOutputFolder(const std::string& executableFolder,
                                    const std::string& dataFolder)
{
    return HoldsLanguageFile(executableFolder) ? executableFolder : dataFolder;
}

std::string UserLanguageFolder(const std::string& executableFolder, const std::string& dataFolder)
{
    return HoldsLanguageFile(executableFolder) ? executableFolder : dataFolder + OwnLanguagePath;
}

std::string InstalledHelpIndexPage(const std::string& executableFolder)
{
    return InstalledPrefix(executableFolder) + InstalledHelpFolder + HelpIndex;
}

std::string HelpIndexPage(const std::string& dataFolder, const std::string& executableFolder)
{
    std::string installed = InstalledHelpIndexPage(executableFolder);
    if (!IsRegularFile(dataFolder + DataHelpIndex) && IsRegularFile(installed))
        return installed;
    return dataFolder + DataHelpIndex;
}

std::string PublishExecutablePath(const std::string& executableFolder)
{
    std::string beside = executableFolder + PublishExecutable;
    if (FileExists(beside))
        return beside;
    return InstalledPrefix(executableFolder) + InstalledLibexecFolder + PublishExecutable;
}

std::string ExpandHomeFolder(const std::string& path)
{
    if (path == "~" || path.compare(0, 2, "~/") == 0)
        return HomeFolder() + path.substr(1);
    return path;
}

void EnterDataFolder(const std::string& folder)
{
    if (folder.empty())
        throw Error("The data folder must not be empty");
    CreateFolders(folder);
    if (::chdir(folder.c_str()) != 0)
        throw Error("Cannot open the data folder " + folder + ": " + std::strerror(errno));
}

}  // namespace mondeliar
