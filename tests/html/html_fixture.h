#pragma once
// A calendar in a temporary data folder with default settings, pages going to its "out/"
// folder, today 5 February 2002 and a fixed clock for the last-updated line.

#include "config/calendar_context.h"
#include "html/page_writer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace mondeliar::testing {

class HtmlTest : public ::testing::Test {
protected:
    HtmlTest();

    // Writes all pages with the write command.
    void WriteAll();
    // The text of the raised error, or "no error".
    std::string WriteAllError();
    std::string Page(const std::string& name) const { return ReadFile(out() + name); }
    std::string out() const { return dir / "out/"; }

    // A note for a date, stored in the table as the add-note dialog would.
    void AddNote(int month, int day, int year, std::vector<std::string> notes,
                 std::vector<std::string> links = {}, std::string dateUrl = "",
                 std::string dateImage = "");
    void SetRecurring(const std::vector<std::string>& lines);

    // One month page written alone, as the write command writes it.
    std::string WriteSingleMonth(int month, int year);

    TempDir dir;
    RecordingMessages messages;
    CalendarContext context;
    std::vector<Date> shownDates;
    PageWriterHooks hooks;
};

// The names in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// Runs a shell command: its exit status (-1 when it did not exit) and what it printed on both
// outputs.
struct CommandResult {
    int Status = -1;
    std::string Output;
};
CommandResult RunCommand(const std::string& command);

// Splits a page into its lines, checking that each ends with CR LF.
std::vector<std::string> PageLines(const std::string& page);

// The text between the first `from` and the next `to` (both excluded); "" when missing.
std::string Between(const std::string& text, const std::string& from, const std::string& to);

int Count(const std::string& text, const std::string& piece);

// The line of the date cell of `day` in a page holding one month table.
std::string DateCellLine(const std::string& page, int day);

}  // namespace mondeliar::testing
