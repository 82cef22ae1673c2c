// What every reader of a calendar's files takes: regular files of a sane size only, so that
// no file can hang the program (a FIFO, a device) or exhaust it.

#include "base/errors.h"
#include "base/text_reader.h"
#include "config/calendar_settings.h"
#include "config/extra_html.h"
#include "config/languages.h"
#include "config/recurring_list.h"
#include "store/entry_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mondeliar {
namespace {

using testing::RecordingMessages;
using testing::TempDir;
using testing::WriteFile;

std::string ErrorText(const std::function<void()>& action)
{
    return testing::RaisedText<Error>(action);
}

struct Reader {
    const char* what;
    std::string fileName;  // in the test's folder
    std::uintmax_t limit;
    std::string limitText;
    std::function<void(const TempDir& dir)> read;
};

std::vector<Reader> Readers()
{
    return {
        {"notes", "notes", NotesFileSizeLimit, "16 MiB",
         [](const TempDir& dir) {
             RecordingMessages messages;
             EntryStore store(messages);
             store.NotesFileName = dir / "notes";
             store.LoadEntries();
         }},
        {"settings", "club.cfg", SmallFileSizeLimit, "1 MiB",
         [](const TempDir& dir) {
             CalendarSettings settings;
             LoadConfig(settings, dir / "club.cfg");
         }},
        {"recurring entries", "club.rcr", SmallFileSizeLimit, "1 MiB",
         [](const TempDir& dir) {
             RecurringList list;
             LoadRecurring(list, dir / "club.rcr");
         }},
        {"language", "Klingon.lang", SmallFileSizeLimit, "1 MiB",
         [](const TempDir& dir) { Languages().LoadLanguage(dir.Path(), "Klingon"); }},
        {"extra HTML", "pagetrim.header", HtmlTextSizeLimit, "16 MiB",
         [](const TempDir& dir) {
             ExtraHtmlTexts texts;
             LoadExtraHtml(texts, dir.Path());
         }},
    };
}

TEST(Readers, RefuseFifosFoldersAndDevices)
{
    for (const Reader& reader : Readers()) {
        SCOPED_TRACE(reader.what);
        TempDir dir;
        std::string path = dir / reader.fileName;
        ::mkfifo(path.c_str(), 0600);
        EXPECT_EQ(ErrorText([&] { reader.read(dir); }), path + " is not a regular file");
        std::filesystem::remove(path);
        std::filesystem::create_directory(path);
        EXPECT_EQ(ErrorText([&] { reader.read(dir); }), path + " is not a regular file");
        std::filesystem::remove(path);
        std::filesystem::create_symlink("/dev/zero", path);
        EXPECT_EQ(ErrorText([&] { reader.read(dir); }), path + " is not a regular file");
    }
}

TEST(Readers, StopAtTheirSizeLimit)
{
    for (const Reader& reader : Readers()) {
        SCOPED_TRACE(reader.what);
        TempDir dir;
        std::string path = dir / reader.fileName;
        WriteFile(path, "");
        std::filesystem::resize_file(path, reader.limit + 1);
        EXPECT_EQ(ErrorText([&] { reader.read(dir); }),
                  path + " is larger than " + reader.limitText);
        std::filesystem::resize_file(path, reader.limit);
        EXPECT_EQ(ErrorText([&] { reader.read(dir); }), "no error");
    }
}

// 1000 records with every text at its capacity make the largest notes file the program
// writes; it must load again.
TEST(Readers, TheLargestNotesFileLoads)
{
    TempDir dir;
    RecordingMessages messages;
    EntryStore store(messages);
    store.NotesFileName = dir / "notes";
    for (int k = 1; k <= MaxEntries; ++k) {
        CalendarEntry& slot = store.Slot(k);
        slot.Month = -2147483647;
        slot.Day = slot.Year = -2147483647;
        for (std::string& note : slot.Notes)
            note = std::string(NoteCapacity, 'n');
        for (std::string& url : slot.NoteURLs)
            url = std::string(NoteCapacity, 'u');
        slot.DateURL = std::string(NoteCapacity, 'd');
        slot.DateImage = std::string(DateImageCapacity, 'i');
    }
    store.SaveEntries();
    EXPECT_GT(std::filesystem::file_size(dir / "notes"), 2 * MiB);
    EntryStore loaded(messages);
    loaded.NotesFileName = store.NotesFileName;
    loaded.LoadEntries();
    EXPECT_EQ(FormatEntryLine(loaded.Slot(MaxEntries)), FormatEntryLine(store.Slot(MaxEntries)));
}

}  // namespace
}  // namespace mondeliar
