#include "html_fixture.h"

#include "base/errors.h"
#include "html/write_command.h"

#include <algorithm>
#include <cstdio>
#include <sys/wait.h>

namespace mondeliar::testing {

HtmlTest::HtmlTest()
    : context(std::string(MONDELIAR_SOURCE_DIR) + "/resources/", dir.Path(), Date{2002, 2, 5},
              messages)
{
    StartUp(context);
    std::filesystem::create_directory(dir / "out");
    context.Settings.HTMLPATH = out();
    hooks.ShowDate = [this](const Date& date) { shownDates.push_back(date); };
    hooks.Now = [] {
        std::tm moment{};
        moment.tm_year = 102;
        moment.tm_mon = 1;
        moment.tm_mday = 5;
        moment.tm_hour = 10;
        moment.tm_min = 11;
        moment.tm_sec = 12;
        return moment;
    };
}

void HtmlTest::WriteAll()
{
    WriteCalendarPages(context, hooks);
}

std::string HtmlTest::WriteAllError()
{
    return testing::RaisedText<Error>([this] { WriteAll(); });
}

void HtmlTest::AddNote(int month, int day, int year, std::vector<std::string> notes,
                       std::vector<std::string> links, std::string dateUrl, std::string dateImage)
{
    EntryStore& entries = context.Entries;
    entries.FindEntry(month, day, year);
    CalendarEntry& entry = entries.CurrentEntry;
    entry.Month = month;
    entry.Day = day;
    entry.Year = year;
    for (std::size_t i = 0; i < notes.size(); ++i)
        entry.Notes[i] = notes[i];
    for (std::size_t i = 0; i < links.size(); ++i)
        entry.NoteURLs[i] = links[i];
    entry.DateURL = dateUrl;
    entry.DateImage = dateImage;
    entries.StoreEntry(month, day, year);
}

void HtmlTest::SetRecurring(const std::vector<std::string>& lines)
{
    WriteFile(context.RecurringFileName(), CrLfLines(lines));
}

std::string HtmlTest::WriteSingleMonth(int month, int year)
{
    context.Settings.STARTYEAR = 2;
    context.Settings.SELECTEDSTARTMONTH = static_cast<std::uint16_t>(month);
    context.Settings.SELECTEDSTARTYEAR = static_cast<std::uint16_t>(year);
    WriteAll();
    return Page(EnglishMonthNames[month] + ".html");
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        result.Output.append(chunk, n);
    int status = ::pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<std::string> PageLines(const std::string& page)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < page.size()) {
        std::size_t end = page.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        if (end == std::string::npos)
            end = page.size();
        lines.push_back(page.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string Between(const std::string& text, const std::string& from, const std::string& to)
{
    std::size_t start = text.find(from);
    if (start == std::string::npos)
        return "";
    start += from.size();
    std::size_t end = text.find(to, start);
    return end == std::string::npos ? "" : text.substr(start, end - start);
}

int Count(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}

std::string DateCellLine(const std::string& page, int day)
{
    const std::string number = std::to_string(day) + "<BR>";
    for (const std::string& line : PageLines(page)) {
        if (line.rfind("<TD", 0) != 0 || line.rfind("<TD ALIGN", 0) == 0)
            continue;
        std::string content = Between(line, "COLOR=\"000000\">", "</FONT></TD>");
        if (content.rfind("<A HREF=", 0) == 0)
            content = content.substr(content.find("\">") + 2);
        if (content.rfind(number, 0) == 0)
            return line;
    }
    return "";
}

}  // namespace mondeliar::testing
