#include "html/page_writer.h"

#include "base/errors.h"
#include "base/text_reader.h"
#include "html/page_names.h"

namespace mondeliar {

namespace {

// Lines of a header or footer file are copied whole, however long; the file's size limit
// bounds them.
constexpr std::size_t MaxCopiedLineLength = HtmlTextSizeLimit;

}  // namespace

PageWriter::PageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                       PageOutputOpener openPage)
    : context_(context)
    , settings_(context.Settings)
    , range_(range)
    , hooks_(std::move(hooks))
    , days_(context, range)
    , openPage_(std::move(openPage))
{
}

PageWriter::~PageWriter() = default;

PageOutput& PageWriter::Page()
{
    return *page_;
}

std::string PageWriter::MonthLink(int month) const
{
    return MonthPageName(settings_, context_.Language.MonthNames, month, range_.YearOf(month));
}

// Copies a header or footer file, each of its lines ended by CR LF.
void PageWriter::WriteTextFile(const std::string& path)
{
    if (path.empty())
        throw FileError("File not found");
    TextReader reader(path, HtmlTextSizeLimit, MaxCopiedLineLength);
    std::string line;
    while (reader.ReadLine(line))
        Page().WriteLine(line);
}

void PageWriter::WriteLines(const TextLines& lines)
{
    for (std::string_view line : lines)
        Page().WriteLine(line);
}

}  // namespace mondeliar
