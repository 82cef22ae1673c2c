#include "base/program_folders.h"
#include "base/release.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

using testing::TempDir;
using testing::WriteFile;

// A file at `path` below `root`, with the folders on the way.
void Lay(const TempDir& root, const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(root / path).parent_path());
    WriteFile(root / path, "x");
}

const std::string Prefix = "usr/";
const std::string Bin = Prefix + InstalledBinFolder;
const std::string Libexec = Prefix + InstalledLibexecFolder;
const std::string Languages = Prefix + InstalledLanguageFolder;

TEST(ProgramFolders, ShippedFilesAreBesideTheProgramOrBelowTheInstalledPrefix)
{
    struct Case {
        std::string executableFolder;
        std::vector<std::string> files;
        std::string languages, newOutput, publish, userLanguages;
    } cases[] = {
        // The build tree: everything beside the executables.
        {"build/", {"build/English.lang", "build/mondeliar-publish"}, "build/", "build/",
         "build/mondeliar-publish", "build/"},
        // Installed: from bin/ and from libexec/mondeliar/ alike; pages go to the data folder.
        {Bin, {Languages + "English.lang"}, Languages, "data/",
         Libexec + "mondeliar-publish", "data/languages/"},
        {Libexec, {Languages + "English.lang", Libexec + "mondeliar-publish"}, Languages,
         "data/", Libexec + "mondeliar-publish", "data/languages/"},
        // A folder named like a language file is not one.
        {"odd/bin/", {"odd/bin/English.lang/x"}, "odd/" + std::string(InstalledLanguageFolder),
         "data/", "odd/" + std::string(InstalledLibexecFolder) + "mondeliar-publish",
         "data/languages/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executableFolder);
        TempDir root;
        for (const std::string& file : c.files)
            Lay(root, file);
        std::string executable = root / c.executableFolder;
        EXPECT_EQ(LanguageFolder(executable), root / c.languages);
        EXPECT_EQ(NewCalendarOutputFolder(executable, root / "data/"), root / c.newOutput);
        EXPECT_EQ(PublishExecutablePath(executable), root / c.publish);
        EXPECT_EQ(UserLanguageFolder(executable, root / "data/"), root / c.userLanguages);
    }
}

TEST(ProgramFolders, HelpIsTheDataFoldersThenTheInstalledPages)
{
    const std::string installed = Prefix + InstalledHelpFolder + "index.html";
    struct Case {
        std::vector<std::string> files;
        std::string opened;
    } cases[] = {
        {{"data/doc/index.html", installed}, "data/doc/index.html"},
        {{installed}, installed},
        {{}, "data/doc/index.html"},
    };
    for (const Case& c : cases) {
        TempDir root;
        for (const std::string& file : c.files)
            Lay(root, file);
        EXPECT_EQ(HelpIndexPage(root / "data/", root / Bin), root / c.opened);
    }
}

TEST(ExpandHomeFolder, OnlyALeadingTildeIsTheHomeFolder)
{
    std::string saved = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/ann", 1);
    std::pair<std::string, std::string> cases[] = {
        {"~", "/home/ann"},         {"~/Mondeliar", "/home/ann/Mondeliar"},
        {"~bob/x", "~bob/x"},       {"cal/~/x", "cal/~/x"},
        {"/srv/cal", "/srv/cal"},   {"", ""},
    };
    for (const auto& [path, expanded] : cases)
        EXPECT_EQ(ExpandHomeFolder(path), expanded) << path;
    ::setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace mondeliar
