#include "base/errors.h"
#include "base/field_text.h"
#include "base/files.h"
#include "base/integer_text.h"
#include "base/output_file.h"
#include "base/text_lines.h"
#include "base/text_reader.h"
#include "support/test_support.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mondeliar {
namespace {

using testing::CrLfLines;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> ReadAllLines(const std::string& path, std::size_t maxLength = 1000)
{
    TextReader reader(path, SmallFileSizeLimit, maxLength);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return lines;
}

std::string ErrorText(const std::function<void()>& action)
{
    return testing::RaisedText<Error>(action);
}

TEST(FileErrorText, MapsSystemErrorsToTheTextsUsersRead)
{
    TempDir dir;
    struct Case {
        int error;
        std::string path;
        std::string text;
    } cases[] = {
        {ENOENT, dir / "missing.txt", "File not found"},
        {ENOENT, dir / "no-folder/missing.txt", "Invalid filename"},
        {ENOTDIR, dir / "x", "Invalid filename"},
        {EMFILE, "x", "Too many open files"},
        {ENFILE, "x", "Too many open files"},
        {EACCES, "x", "File access denied"},
        {EPERM, "x", "File access denied"},
        {EROFS, "x", "File access denied"},
        {ENOSPC, "x", "Disk full"},
        {EDQUOT, "x", "Disk full"},
        {EIO, "x", "I/O error 5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileErrorText(c.error, c.path), c.text) << c.error << " " << c.path;
}

TEST(StandardErrorReportText, AddsAFullStopOnlyWhenMissing)
{
    EXPECT_EQ(StandardErrorReportText("File not found"), "File not found.");
    EXPECT_EQ(StandardErrorReportText("Purge old entries."), "Purge old entries.");
}

TEST(ParseInteger, AcceptsDecimalWithOptionalMinusWithinThirtyTwoBits)
{
    struct Case {
        std::string text;
        LeadingBlanks blanks;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", LeadingBlanks::Refused, 0},
        {"2002", LeadingBlanks::Refused, 2002},
        {"-7", LeadingBlanks::Refused, -7},
        {"2147483647", LeadingBlanks::Refused, 2147483647},
        {"-2147483648", LeadingBlanks::Refused, INT32_MIN},
        {"2147483648", LeadingBlanks::Refused, std::nullopt},
        {"99999999999999999999", LeadingBlanks::Refused, std::nullopt},
        {"", LeadingBlanks::Refused, std::nullopt},
        {"-", LeadingBlanks::Refused, std::nullopt},
        {"+5", LeadingBlanks::Refused, std::nullopt},
        {"$1F", LeadingBlanks::Refused, std::nullopt},
        {"12 ", LeadingBlanks::Refused, std::nullopt},
        {" 12", LeadingBlanks::Refused, std::nullopt},
        {"  12", LeadingBlanks::Allowed, 12},
        {"  -3", LeadingBlanks::Allowed, -3},
        {"   ", LeadingBlanks::Allowed, std::nullopt},
        {std::string("1\0", 2), LeadingBlanks::Refused, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseInteger(c.text, c.blanks), c.value) << "'" << c.text << "'";
}

TEST(StrToInt, NamesTheOffendingText)
{
    EXPECT_EQ(ErrorText([] { StrToInt("1x"); }), "'1x' is not a valid integer value");
    EXPECT_EQ(ErrorText([] { StrToInt(""); }), "'' is not a valid integer value");
}

TEST(TextReader, EndsLinesAtCrLfCrOrLfAndTheFileAtCtrlZ)
{
    TempDir dir;
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"no end", {"no end"}},
        {"a\r\nb\x1a"
         "c\r\nd\r\n",
         {"a", "b"}},
        {"\x1a"
         "a\r\n",
         {}},
        {"a\r\x1a", {"a"}},
        {std::string("n\0l\r\n", 5), {std::string("n\0l", 3)}},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "f", c.bytes);
        EXPECT_EQ(ReadAllLines(dir / "f"), c.lines) << ::testing::PrintToString(c.bytes);
    }
}

TEST(TextReader, KeepsOnlyTheStartOfAnOverlongLine)
{
    TempDir dir;
    WriteFile(dir / "f", std::string(200000, 'x') + "\r\nnext\r\n");
    std::vector<std::string> lines = ReadAllLines(dir / "f", 10);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "xxxxxxxxxx");
    EXPECT_EQ(lines[1], "next");
}

TEST(TextReader, CrLfSplitAcrossBufferBoundaryIsOneLineEnd)
{
    TempDir dir;
    std::string first(64 * 1024 - 1, 'a');
    WriteFile(dir / "f", first + "\r\nb\r\n");
    std::vector<std::string> lines = ReadAllLines(dir / "f", 100000);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], "b");
}

TEST(TextReader, MissingFileAndFolderReadAsTheirErrors)
{
    TempDir dir;
    EXPECT_EQ(ErrorText([&] { TextReader r(dir / "none", SmallFileSizeLimit); }), "File not found");
    EXPECT_EQ(ErrorText([&] { TextReader r(dir / "none/file", SmallFileSizeLimit); }),
              "Invalid filename");
}

// A local socket bound to `path`, closed at the end of the test.
class BoundSocket {
public:
    explicit BoundSocket(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~BoundSocket() { ::close(fd_); }

private:
    int fd_;
};

TEST(TextReader, RefusesEverythingButARegularFileWithoutWaiting)
{
    TempDir dir;
    ::mkfifo((dir / "fifo").c_str(), 0600);
    BoundSocket socket(dir / "socket");
    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    for (const std::string& path :
         {dir / "fifo", dir / "socket", dir / "folder", std::string("/dev/zero"), dir / "zero"})
        EXPECT_EQ(ErrorText([&] { TextReader r(path, SmallFileSizeLimit); }),
                  path + " is not a regular file");
}

TEST(TextReader, StopsAtItsSizeLimit)
{
    TempDir dir;
    WriteFile(dir / "at-limit", std::string(100, 'x'));
    EXPECT_EQ(ReadAllLines(dir / "at-limit").size(), 1u);
    EXPECT_EQ(ErrorText([&] { TextReader r(dir / "at-limit", 99); }),
              dir / "at-limit" + " is larger than 99 bytes");

    WriteFile(dir / "big", "");
    std::filesystem::resize_file(dir / "big", 16 * MiB + 1);
    EXPECT_EQ(ErrorText([&] { TextReader r(dir / "big", HtmlTextSizeLimit); }),
              dir / "big" + " is larger than 16 MiB");
    EXPECT_EQ(ErrorText([&] { TextReader r(dir / "big", SmallFileSizeLimit); }),
              dir / "big" + " is larger than 1 MiB");
}

TEST(TextReader, StopsAFileThatGrowsPastTheLimitWhileRead)
{
    TempDir dir;
    WriteFile(dir / "growing", "a\n");
    TextReader reader(dir / "growing", 1000);
    std::ofstream(dir / "growing", std::ios::app) << std::string(2000, '\n');
    EXPECT_EQ(ErrorText([&] {
                  std::string line;
                  while (reader.ReadLine(line)) {}
              }),
              dir / "growing" + " is larger than 1000 bytes");
}

TEST(TextLines, KeepsEachLineAndTellsEmptyFromOneEmptyLine)
{
    struct Case {
        TextLines text;
        std::vector<std::string> lines;
        std::string joined;
    } cases[] = {
        {{}, {}, ""},
        {{""}, {""}, "\n"},
        {{"<P>one</P>", "", "two"}, {"<P>one</P>", "", "two"}, "<P>one</P>\n\ntwo\n"},
        {{"a\nb"}, {"a", "b"}, "a\nb\n"},
        {{"cr\rkept"}, {"cr\rkept"}, "cr\rkept\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines(c.text.begin(), c.text.end());
        EXPECT_EQ(lines, c.lines) << c.joined;
        EXPECT_EQ(c.text.size(), c.lines.size()) << c.joined;
        EXPECT_EQ(c.text.empty(), c.lines.empty()) << c.joined;
        EXPECT_EQ(c.text.Joined(), c.joined);
    }
    TextLines text = {"a"};
    text.push_back("b");
    EXPECT_EQ(text, (TextLines{"a", "b"}));
    EXPECT_NE(text, (TextLines{"a", "b", ""}));
    text.clear();
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.size(), 0u);
}

TEST(FieldSafeText, ReplacesQuotesAndLineBreakersAndCutsWholeEntities)
{
    struct Case {
        std::string text;
        std::size_t capacity;
        std::string safe;
    } cases[] = {
        {"plain <b>html</b>", Unlimited, "plain <b>html</b>"},
        {"Say \"hi\"", Unlimited, "Say &quot;hi&quot;"},
        {"two\r\nlines\x1a", Unlimited, "two  lines "},
        {"abcdef", 4, "abcd"},
        {"ab\"", 4, "ab"},
        {"ab\"", 8, "ab&quot;"},
        {"\"", 6, "&quot;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FieldSafeText(c.text, c.capacity), c.safe) << c.text;
    EXPECT_EQ(LineSafeText("a\rb\nc"), "a b c");
}

TEST(AtomicFile, ReplacesTheFileOnlyOnCommit)
{
    TempDir dir;
    WriteFile(dir / "notes", "old");
    {
        AtomicFile file(dir / "notes");
        file.WriteLine("new");
        EXPECT_EQ(ReadFile(dir / "notes"), "old");
    }
    EXPECT_EQ(ReadFile(dir / "notes"), "old") << "an abandoned save keeps the old file";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left behind";

    AtomicFile file(dir / "notes");
    file.WriteLine("new");
    file.Commit();
    EXPECT_EQ(ReadFile(dir / "notes"), "new\r\n");
}

TEST(AtomicFile, ReportsWhatADirectWriteWouldMeet)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(ErrorText([&] { AtomicFile f(dir / "folder"); }), "File access denied");
    EXPECT_EQ(ErrorText([&] { AtomicFile f(dir / "none/file"); }), "Invalid filename");
}

TEST(AtomicFile, ReadOnlyFileIsRefusedAndKept)
{
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "the superuser may write any file";
    TempDir dir;
    WriteFile(dir / "notes", "old");
    ::chmod((dir / "notes").c_str(), 0444);
    EXPECT_EQ(ErrorText([&] { AtomicFile f(dir / "notes"); }), "File access denied");
    EXPECT_EQ(ReadFile(dir / "notes"), "old");
}

TEST(AtomicFile, GivesTheRequestedModeOrKeepsTheOldOne)
{
    TempDir dir;
    AtomicFile secret(dir / "settings.cfg", 0600);
    secret.Commit();
    struct stat info;
    ASSERT_EQ(::stat((dir / "settings.cfg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    WriteFile(dir / "shared", "x");
    ::chmod((dir / "shared").c_str(), 0640);
    AtomicFile shared(dir / "shared");
    shared.Commit();
    ASSERT_EQ(::stat((dir / "shared").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(OutputFile, AnAbandonedFileKeepsWhatWasWrittenAndNothingElse)
{
    TempDir dir;
    WriteFile(dir / "page.html", std::string(100000, 'o'));
    {
        OutputFile page(dir / "page.html");
        page.WriteLine("<HTML>");
    }
    EXPECT_EQ(ReadFile(dir / "page.html"), "<HTML>\r\n");
}

TEST(OutputFile, ReplacesWhatTheFileHeldWhateverItsLength)
{
    TempDir dir;
    for (std::size_t oldSize : {0, 5, 8, 100000}) {
        WriteFile(dir / "page.html", std::string(oldSize, 'o'));
        OutputFile page(dir / "page.html");
        page.WriteLine("<HTML>");
        page.Close();
        EXPECT_EQ(ReadFile(dir / "page.html"), "<HTML>\r\n") << oldSize;
    }
    std::string expected;
    {
        OutputFile page(dir / "page.html");
        for (std::size_t size : {std::size_t(1), std::size_t(70000), std::size_t(3),
                                 std::size_t(65536), std::size_t(65535), std::size_t(200000)}) {
            std::string piece(size, static_cast<char>('a' + size % 26));
            page.Write(piece, "|");
            expected += piece + "|";
        }
        page.Close();
    }
    EXPECT_EQ(ReadFile(dir / "page.html"), expected) << "pieces larger than the buffer too";
}

TEST(WrittenFiles, AreRegularFilesOnlyAndNeverWaitOnAFifo)
{
    TempDir dir;
    ::mkfifo((dir / "fifo").c_str(), 0600);
    WriteFile(dir / "page.html", "page");
    for (const std::string& path : {dir / "fifo", std::string("/dev/null")}) {
        EXPECT_EQ(ErrorText([&] { OutputFile f(path); }), path + " is not a regular file");
        EXPECT_EQ(ErrorText([&] { AtomicFile f(path); }), path + " is not a regular file");
        EXPECT_EQ(ErrorText([&] { CopyFileTo(dir / "page.html", path); }),
                  path + " is not a regular file");
    }
    EXPECT_EQ(ErrorText([&] { CopyFileTo(dir / "fifo", dir / "copy.html"); }),
              dir / "fifo" + " is not a regular file");
}

TEST(CopyFileTo, CopiesEveryByteWhateverTheSize)
{
    TempDir dir;
    for (std::size_t size : {0, 1, 8191, 8192, 8193, 3 * 8192 + 5}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7);
        WriteFile(dir / "source", bytes);
        WriteFile(dir / "copy", "longer old content that must go away");
        CopyFileTo(dir / "source", dir / "copy");
        EXPECT_EQ(ReadFile(dir / "copy"), bytes) << size;
    }
}

TEST(CopyFileTo, FolderDestinationReceivesTheSourceName)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "out");
    WriteFile(dir / "June.html", "page");
    CopyFileTo(dir / "June.html", dir / "out");
    EXPECT_EQ(ReadFile(dir / "out/June.html"), "page");
    CopyFileTo(dir / "June.html", dir / "out/");
    EXPECT_EQ(ReadFile(dir / "out/June.html"), "page");
}

TEST(CopyFileTo, NamesTheFileThatCouldNotBeOpened)
{
    TempDir dir;
    WriteFile(dir / "source", "x");
    EXPECT_EQ(ErrorText([&] { CopyFileTo(dir / "none", dir / "copy"); }),
              "Cannot open file " + (dir / "none"));
    EXPECT_EQ(ErrorText([&] { CopyFileTo(dir / "source", dir / "no/copy"); }),
              "Cannot create file " + (dir / "no/copy"));
}

TEST(CopyFileTo, LeavesAFileCopiedOntoItselfAsItIs)
{
    TempDir dir;
    WriteFile(dir / "page.html", "the page");
    std::filesystem::create_hard_link(dir / "page.html", dir / "hard.html");
    std::filesystem::create_symlink(dir / "page.html", dir / "soft.html");
    for (const std::string& destination :
         {dir / "page.html", dir / "./page.html", dir / "hard.html", dir / "soft.html"}) {
        CopyFileTo(dir / "page.html", destination);
        EXPECT_EQ(ReadFile(dir / "page.html"), "the page") << destination;
    }
}

TEST(PathParts, SplitAtTheLastSlash)
{
    struct Case {
        std::string path, folder, name;
    } cases[] = {
        {"/srv/www/June.html", "/srv/www", "June.html"},
        {"June.html", ".", "June.html"},
        {"/June.html", "/", "June.html"},
        {"site/", "site", ""},
        {"", ".", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(FileNamePart(c.path), c.name) << c.path;
    }
}

TEST(CopyFileTo, RelativeDestinationIsTakenFromTheWorkingFolder)
{
    TempDir dir;
    WriteFile(dir / "June.html", "page");
    std::string before = WorkingFolderPath();
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    CopyFileTo(dir / "June.html", "current.html");
    EXPECT_EQ(WorkingFolderPath() + "/", dir.Path());
    ASSERT_EQ(::chdir(before.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "current.html"), "page");
}

TEST(HasFileAttribute, TellsFoldersFromFilesAndMissingPaths)
{
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_TRUE(HasFileAttribute(dir.Path(), faDirectory));
    EXPECT_FALSE(HasFileAttribute(dir / "file", faDirectory));
    EXPECT_FALSE(HasFileAttribute(dir / "missing", faDirectory));
    EXPECT_TRUE(HasFileAttribute(dir / "file", 0));
    EXPECT_FALSE(HasFileAttribute(dir / "missing", 0));
}

TEST(RequirePlainFileName, RefusesNamesThatLeaveTheirFolder)
{
    for (const std::string& name :
         std::vector<std::string>{"../x", "a/b", ".", "..", std::string("a\0b", 3), "tab\there",
                                  "line\nend", "\x7F", "\x1B[31m"})
        EXPECT_EQ(ErrorText([&] { RequirePlainFileName(name); }), "Invalid filename")
            << ::testing::PrintToString(name);
    for (const char* name : {"my calendar", "", "M\xE4rz", "\x80uro", "...", ".hidden", "a\\b"})
        EXPECT_NO_THROW(RequirePlainFileName(name)) << name;
}

}  // namespace
}  // namespace mondeliar
