#include "config/extra_html.h"

#include "base/errors.h"
#include "base/field_text.h"
#include "base/files.h"
#include "base/output_file.h"
#include "base/text_reader.h"

namespace mondeliar {

const char* const HeaderTextFileName = "pagetrim.header";
const char* const FooterTextFileName = "pagetrim.footer";

namespace {

// A line of HTML may be as long as the whole file.
constexpr std::size_t MaxHtmlLineLength = HtmlTextSizeLimit;

}  // namespace

void LoadExtraHtmlText(TextLines& text, const std::string& path)
{
    if (!FileExists(path))
        return;
    TextLines lines;
    try {
        TextReader reader(path, HtmlTextSizeLimit, MaxHtmlLineLength);
        lines.reserve(static_cast<std::size_t>(reader.FileSize()));
        std::string line;
        while (reader.ReadLine(line))
            lines.push_back(line);
    } catch (const RefusedFileError&) {
        throw;
    } catch (const FileError&) {
        throw FileError("Cannot open file " + path);
    }
    text = std::move(lines);
}

void SaveExtraHtmlText(const TextLines& text, const std::string& path)
{
    try {
        AtomicFile file(path);
        for (std::string_view line : text)
            file.WriteLine(LineSafeText(std::string(line)));
        file.Commit();
    } catch (const FileError&) {
        throw FileError("Cannot create file " + path);
    }
}

void LoadExtraHtml(ExtraHtmlTexts& texts, const std::string& folder)
{
    LoadExtraHtmlText(texts.Header, folder + HeaderTextFileName);
    LoadExtraHtmlText(texts.Footer, folder + FooterTextFileName);
}

void SaveExtraHtml(const ExtraHtmlTexts& texts, const std::string& folder)
{
    SaveExtraHtmlText(texts.Header, folder + HeaderTextFileName);
    SaveExtraHtmlText(texts.Footer, folder + FooterTextFileName);
}

}  // namespace mondeliar
