#pragma once
// Where the program finds the files it ships and the user's data folder. The shipped files
// are found from the folder of the running executable, so that an installed tree works
// wherever its prefix is: in the build tree they lie beside the executables; an installed
// tree keeps the language files in share/mondeliar/, the help pages in
// share/doc/mondeliar/html/ and mondeliar-publish in libexec/mondeliar/.

#include <string>

namespace mondeliar {

// The folder of the language files, with a trailing "/": `executableFolder` when a language
// file lies there, else the installed tree's language folder.
std::string LanguageFolder(const std::string& executableFolder);

// The output folder (HTMLPATH) a new calendar starts with: the executable's folder in the
// build tree; for an installed program, whose folders are not the user's to write, the data
// folder.
std::string NewCalendarOutputFolder(const std::string& executableFolder,
                                    const std::string& dataFolder);

// The folder a language the user adds is written to and looked up in first: the language
// folder in the build tree; for an installed program, whose language folder is not the user's
// to write, the data folder's languages/.
std::string UserLanguageFolder(const std::string& executableFolder, const std::string& dataFolder);

// The first help page: the data folder's doc/index.html when present, else the installed
// help pages', else the data folder's all the same (the shell then says it is missing).
std::string HelpIndexPage(const std::string& dataFolder, const std::string& executableFolder);
// The installed help pages' first page, whether it is there or not.
std::string InstalledHelpIndexPage(const std::string& executableFolder);

// mondeliar-publish: beside `executableFolder`, else in the installed tree's libexec folder.
std::string PublishExecutablePath(const std::string& executableFolder);

// `--data DIR`: a leading "~" (alone or before "/") stands for the home folder, since a
// desktop entry hands "~/Mondeliar" over as it is.
std::string ExpandHomeFolder(const std::string& path);

// Makes `folder` the working folder, creating it and its parents when missing, so the program
// runs as if started there. Raises Error naming the folder when it cannot.
void EnterDataFolder(const std::string& folder);

}  // namespace mondeliar
