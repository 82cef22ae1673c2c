#include "app/handler_guard.h"
#include "app/recording_dialogs.h"
#include "app/text_convert.h"
#include "base/errors.h"

#include <gtest/gtest.h>

namespace mondeliar::app {
namespace {

using testing::RecordingDialogs;

TEST(TextConvertTest, TypedTextBecomesWindows1252WithReferencesForTheRest)
{
    EXPECT_EQ(ToWindows1252(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5")),
              "Caf\xE9 \x80 &#26085;");
    EXPECT_EQ(FromWindows1252("Caf\xE9 \x80"), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
}

TEST(HandlerGuardTest, AnEscapedFailureBecomesTheStandardErrorReport)
{
    RecordingDialogs dialogs;
    EXPECT_FALSE(RunHandler(dialogs, [] { throw FileError("File not found"); }));
    EXPECT_FALSE(RunHandler(dialogs, [] { ThrowConversionError("x\xE9"); }));
    EXPECT_TRUE(RunHandler(dialogs, [] {}));
    ASSERT_EQ(dialogs.Boxes.size(), 2u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::ErrorReport);
    EXPECT_EQ(dialogs.Boxes[0].Text, "File not found.");
    EXPECT_EQ(dialogs.Boxes[1].Text,
              QString::fromUtf8("'x\xC3\xA9' is not a valid integer value."));
}

}  // namespace
}  // namespace mondeliar::app
