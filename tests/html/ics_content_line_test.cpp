// Content lines of the iCalendar feed: TEXT escaping and folding at 75 octets. That every
// fold unfolds to its line, for any text, is left to the fuzz target ics_text_fuzz.

#include "html/ics_content_line.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

std::string Repeat(const std::string& piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

const std::string A73 = Repeat("a", 73), A74 = Repeat("a", 74), A75 = Repeat("a", 75);
const std::string E = "\xc3\xa9";              // é, two octets
const std::string Sun = "\xe6\x97\xa5";        // 日, three octets
const std::string Smile = "\xf0\x9f\x98\x80";  // U+1F600, four octets
const std::string Fold = "\r\n ";

TEST(IcsContentLine, FoldsAt75OctetsWithoutSplittingACharacter)
{
    struct Row {
        std::string line;
        std::string folded;
    };
    const Row rows[] = {
        {"", ""},
        {A75, A75},
        {A75 + "b", A75 + Fold + "b"},
        // A continuation line holds 74 octets after its blank.
        {A75 + A74, A75 + Fold + A74},
        {A75 + A74 + "b", A75 + Fold + A74 + Fold + "b"},
        // Characters that end exactly at the limit stay on the line.
        {A73 + E, A73 + E},
        {Repeat("a", 72) + Sun, Repeat("a", 72) + Sun},
        {Repeat("a", 71) + Smile, Repeat("a", 71) + Smile},
        // Characters that cross it move to the next line whole.
        {A74 + E, A74 + Fold + E},
        {A73 + Sun, A73 + Fold + Sun},
        {A74 + Sun, A74 + Fold + Sun},
        {Repeat("a", 72) + Smile, Repeat("a", 72) + Fold + Smile},
        {A75 + A73 + E + "z", A75 + Fold + A73 + Fold + E + "z"},
        {A75 + Repeat("a", 72) + Sun, A75 + Fold + Repeat("a", 72) + Fold + Sun},
        // Bytes that are no UTF-8 at all are cut at the limit.
        {Repeat("\x80", 80), Repeat("\x80", 75) + Fold + Repeat("\x80", 5)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FoldIcsLine(row.line), row.folded) << row.line.size() << " octets";
}

TEST(IcsContentLine, TextValuesAreEscaped)
{
    struct Row {
        std::string text;
        std::string escaped;
    };
    const Row rows[] = {
        {"plain text", "plain text"},
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"one\ntwo\r\nthree\rfour", "one\\ntwo\\nthree\\nfour"},
        {"colon: and \"quotes\" stay", "colon: and \"quotes\" stay"},
        {"tab\tstays", "tab\tstays"},
        {"\x01"
         "bell\x07 and delete\x7f",
         "bell and delete"},
        {"Caf" + E + " " + Sun, "Caf" + E + " " + Sun},
        {"\\n", "\\\\n"},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(EscapeIcsText(row.text), row.escaped) << row.text;
}

}  // namespace
}  // namespace mondeliar
