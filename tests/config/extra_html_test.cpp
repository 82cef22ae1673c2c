#include "base/errors.h"
#include "config/extra_html.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(ExtraHtml, SavesEachLineEndedByCrLfAndLoadsBack)
{
    TempDir dir;
    ExtraHtmlTexts texts;
    texts.Header = {"<P>one</P>", "", "<P>two</P>"};
    SaveExtraHtml(texts, dir.Path());
    EXPECT_EQ(ReadFile(dir / "pagetrim.header"), "<P>one</P>\r\n\r\n<P>two</P>\r\n");
    EXPECT_EQ(ReadFile(dir / "pagetrim.footer"), "");

    ExtraHtmlTexts loaded;
    loaded.Footer = {"stale"};
    LoadExtraHtml(loaded, dir.Path());
    EXPECT_EQ(loaded.Header, texts.Header);
    EXPECT_TRUE(loaded.Footer.empty());
}

TEST(ExtraHtml, MissingFilesLeaveTheTextsAsTheyAre)
{
    TempDir dir;
    ExtraHtmlTexts texts;
    texts.Header = {"kept"};
    WriteFile(dir / "pagetrim.footer", "a\nb\rc");
    LoadExtraHtml(texts, dir.Path());
    EXPECT_EQ(texts.Header, std::vector<std::string>{"kept"});
    EXPECT_EQ(texts.Footer, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ExtraHtml, FailuresNameTheFile)
{
    TempDir dir;
    ExtraHtmlTexts texts;
    std::filesystem::create_directory(dir / "pagetrim.header");
    try {
        SaveExtraHtml(texts, dir.Path());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + (dir / "pagetrim.header"));
    }
    try {
        LoadExtraHtml(texts, dir.Path());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + (dir / "pagetrim.header"));
    }
}

}  // namespace
}  // namespace mondeliar
