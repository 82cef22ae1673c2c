#include "base/errors.h"
#include "config/extra_html.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
    EXPECT_EQ(texts.Header, TextLines{"kept"});
    EXPECT_EQ(texts.Footer, (TextLines{"a", "b", "c"}));
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
        EXPECT_EQ(std::string(error.what()), dir / "pagetrim.header" + " is not a regular file");
    }
}

TEST(ExtraHtml, UnreadableFileIsNamed)
{
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "the superuser may read any file";
    TempDir dir;
    WriteFile(dir / "pagetrim.footer", "<P>secret</P>");
    ::chmod((dir / "pagetrim.footer").c_str(), 0);
    ExtraHtmlTexts texts;
    try {
        LoadExtraHtml(texts, dir.Path());
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + (dir / "pagetrim.footer"));
    }
}

// A file of nothing but line ends is held at its own size: one byte per empty line.
TEST(ExtraHtml, ManyEmptyLinesCostAByteEach)
{
    TempDir dir;
    WriteFile(dir / "pagetrim.header", std::string(100000, '\n'));
    ExtraHtmlTexts texts;
    LoadExtraHtml(texts, dir.Path());
    EXPECT_EQ(texts.Header.size(), 100000u);
    EXPECT_LE(texts.Header.Joined().capacity(), 100000u + 16);
}

}  // namespace
}  // namespace mondeliar
