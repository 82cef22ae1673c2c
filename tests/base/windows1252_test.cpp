#include "base/windows1252.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

struct Utf8Case {
    const char* name;
    std::string utf8;
    std::string windows1252;
};

class Utf8ToWindows1252Test : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToWindows1252Test, ConvertsWithReferencesForWhatItCannotHold)
{
    EXPECT_EQ(Utf8ToWindows1252(GetParam().utf8), GetParam().windows1252);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ToWindows1252Test,
    ::testing::Values(Utf8Case{"Ascii", "Meeting 5", "Meeting 5"},
                      Utf8Case{"Latin1", "caf\xC3\xA9", "caf\xE9"},
                      Utf8Case{"EuroAndQuotes", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D",
                               "\x80 \x93x\x94"},
                      Utf8Case{"Cyrillic", "\xD0\x94\xD0\xB0", "&#1044;&#1072;"},
                      Utf8Case{"Astral", "\xF0\x9F\x8E\x82", "&#127874;"},
                      Utf8Case{"LoneContinuation", "a\x80z", "a&#65533;z"},
                      Utf8Case{"TruncatedSequence", "a\xE2\x82", "a&#65533;&#65533;"},
                      Utf8Case{"Overlong", "\xC0\xAF", "&#65533;&#65533;"},
                      Utf8Case{"Surrogate", "\xED\xA0\x80", "&#65533;&#65533;&#65533;"},
                      Utf8Case{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Windows1252Test, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
    EXPECT_EQ(Windows1252ToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST(LocaleTextToWindows1252, ConvertsFromTheNamedCharacterSet)
{
    struct Case {
        std::string charset;
        std::string text;
        std::string page;
    } cases[] = {
        {"ANSI_X3.4-1968", "02/05/02 10:11:12", "02/05/02 10:11:12"},
        {"ISO-8859-1", "f\xE9vrier", "f\xE9vrier"},
        {"CP1252", "\x80", "\x80"},
        {"UTF-8", "f\xC3\xA9vrier \xD0\xAF", "f\xE9vrier &#1071;"},
        {"utf8", "\xE2\x82\xAC", "\x80"},
        {"ISO-8859-15", "\xA4 \xE9", "\x80 \xE9"},  // € and é
        {"KOI8-R", "\xF1", "&#1071;"},
        {"EUC-KR", "\xB3\xE2", "&#45380;"},
        {"EUC-KR", "\xFF-", "&#65533;-"},  // no character of the set
        {"EUC-KR", "a\xB3", "a&#65533;"},  // cut short
        {"no such set", "\xE9", "\xE9"},
        {"", "\xE9", "\xE9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocaleTextToWindows1252(c.text, c.charset), c.page) << c.charset;
}

}  // namespace
}  // namespace mondeliar
