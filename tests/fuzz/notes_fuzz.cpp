// The notes file reader. Property: a table saved and loaded again equals itself, and saving
// it again gives the same bytes.

#include "base/errors.h"
#include "base/messages.h"
#include "fuzz/fuzz_files.h"
#include "store/entry_store.h"

namespace mondeliar {
namespace {

class IgnoredMessages : public MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

bool SameEntry(const CalendarEntry& a, const CalendarEntry& b)
{
    return a.Month == b.Month && a.Day == b.Day && a.Year == b.Year && a.Notes == b.Notes
           && a.NoteURLs == b.NoteURLs && a.DateURL == b.DateURL && a.DateImage == b.DateImage;
}

void Release(std::string& text)
{
    std::string().swap(text);
}

void ReleaseTexts(CalendarEntry& entry)
{
    for (std::string& note : entry.Notes)
        Release(note);
    for (std::string& url : entry.NoteURLs)
        Release(url);
    Release(entry.DateURL);
    Release(entry.DateImage);
}

// The stores live as long as the process (a new table for every input would cost more than
// the input), but give back every text's memory after each input: libFuzzer looks for leaks
// after every input that leaves the heap bigger than it found it.
void ReleaseTexts(EntryStore& store)
{
    for (int k = 1; k <= MaxEntries; ++k)
        ReleaseTexts(store.Slot(k));
    ReleaseTexts(store.CurrentEntry);
    Release(store.NotesFileName);
}

// Into a table with every slot free, as a new store's. A bad date field stops the load at its
// line; the lines before it stay loaded.
void Load(EntryStore& store, const std::string& path)
{
    store.AllocateTable();
    store.ClearCurrentEntry();
    store.NotesFileName = path;
    try {
        store.LoadEntries();
    } catch (const ConversionError&) {
    }
}

}  // namespace
}  // namespace mondeliar

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mondeliar;
    static IgnoredMessages messages;
    static EntryStore loaded(messages);
    static EntryStore again(messages);
    Load(loaded, fuzz::WriteInput("notes", data, size));

    loaded.NotesFileName = fuzz::Folder() + "saved";
    loaded.SaveEntries();
    Load(again, loaded.NotesFileName);
    for (int k = 1; k <= MaxEntries; ++k)
        fuzz::Require(SameEntry(loaded.Slot(k), again.Slot(k)), "saved table loads as itself");

    std::string saved = fuzz::ReadWhole(loaded.NotesFileName);
    again.NotesFileName = fuzz::Folder() + "saved-again";
    again.SaveEntries();
    fuzz::Require(fuzz::ReadWhole(again.NotesFileName) == saved,
                  "saving again gives the same bytes");
    ReleaseTexts(loaded);
    ReleaseTexts(again);
    return 0;
}
