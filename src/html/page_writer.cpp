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

PageWriterBase::PageWriterBase(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                               PageOutputOpener openPage)
    : context_(context)
    , settings_(context.Settings)
    , range_(range)
    , days_(context, range)
    , hooks_(std::move(hooks))
    , openPage_(std::move(openPage))
{
}

PageWriterBase::~PageWriterBase() = default;

void PageWriterBase::OpenPage()
{
    page_ = openPage_(PageFileName);
}

void PageWriterBase::ClosePage()
{
    page_->Close();
    page_.reset();
}

void PageWriterBase::ShowMonth(int month, int year) const
{
    if (hooks_.ShowDate)
        hooks_.ShowDate(Date{year, month, 1});
}

std::tm PageWriterBase::Now() const
{
    return hooks_.Now ? hooks_.Now() : CurrentLocalTime();
}

std::string PageWriterBase::MonthPageNameInRange(int month) const
{
    return MonthPageName(settings_, context_.Language.MonthNames, month, range_.YearOf(month));
}

PageWriter::PageWriter(CalendarContext& context, WrittenRange range, PageWriterHooks hooks,
                       PageOutputOpener openPage)
    : PageWriterBase(context, range, std::move(hooks), std::move(openPage))
{
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
