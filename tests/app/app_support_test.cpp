#include "app/handler_guard.h"
#include "app/program_options.h"
#include "app/recording_dialogs.h"
#include "app/text_convert.h"
#include "base/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace mondeliar::app {
namespace {

using testing::RecordingDialogs;

TEST(ProgramOptionsTest, TakesItsOwnOptionsAndLeavesTheRestToQt)
{
    struct Case {
        std::vector<const char*> arguments;
        bool help, version;
        std::optional<std::string> data;
        std::vector<std::string> forQt;
    } cases[] = {
        {{"mondeliar"}, false, false, {}, {"mondeliar"}},
        {{"mondeliar", "--data", "~/Mondeliar"}, false, false, "~/Mondeliar", {"mondeliar"}},
        {{"mondeliar", "-style", "fusion", "--version"}, false, true, {},
         {"mondeliar", "-style", "fusion"}},
        {{"mondeliar", "--data", "--help"}, false, false, "--help", {"mondeliar"}},
        {{"mondeliar", "-h"}, true, false, {}, {"mondeliar"}},
    };
    for (const Case& c : cases) {
        ProgramOptions options
            = ParseProgramOptions(static_cast<int>(c.arguments.size()), c.arguments.data());
        EXPECT_EQ(options.Help, c.help);
        EXPECT_EQ(options.Version, c.version);
        EXPECT_EQ(options.Data, c.data);
        EXPECT_EQ(options.ForQt, c.forQt);
    }
}

TEST(ProgramOptionsTest, WhatQtLeavesIsAMistake)
{
    std::pair<std::vector<const char*>, std::string> cases[] = {
        {{"mondeliar"}, "no error"},
        {{"mondeliar", "--colour"}, "Unknown option --colour (try --help)"},
        {{"mondeliar", "notes.txt"}, "Unexpected argument \"notes.txt\" (try --help)"},
    };
    for (const auto& [arguments, text] : cases) {
        std::string error = "no error";
        try {
            RefuseLeftOverArguments(static_cast<int>(arguments.size()), arguments.data());
        } catch (const Error& e) {
            error = e.what();
        }
        EXPECT_EQ(error, text);
    }
}

TEST(TextConvertTest, TypedTextBecomesWindows1252WithReferencesForTheRest)
{
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5")),
              "Caf\xE9 \x80 &#26085;");
    EXPECT_EQ(FromWindows1252("Caf\xE9 \x80"), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
}

TEST(HandlerGuardTest, AnEscapedFailureBecomesTheStandardErrorReport)
{
    RecordingDialogs dialogs;
    dialogs.DataFolder = "/data/";
    EXPECT_FALSE(RunHandler(dialogs, [] { throw FileError("File not found"); }));
    EXPECT_FALSE(RunHandler(dialogs, [] { ThrowConversionError("x\xE9"); }));
    EXPECT_TRUE(RunHandler(dialogs, [] {}));
    // A file error names its file, from the data folder on when it lies there.
    EXPECT_FALSE(RunHandler(dialogs, [] { ThrowFileError(ENOENT, "/data/calendars/club.rcr"); }));
    EXPECT_FALSE(RunHandler(dialogs, [] { throw FileError("Disk full", "/data2/x"); }));
    EXPECT_EQ(dialogs.Texts(),
              (QStringList{"File not found.",
                           QString::fromUtf8("'x\xC3\xA9' is not a valid integer value."),
                           "Invalid filename: calendars/club.rcr.", "Disk full: /data2/x."}));
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::ErrorReport);
}

}  // namespace
}  // namespace mondeliar::app
