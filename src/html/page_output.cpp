#include "html/page_output.h"

#include "base/errors.h"
#include "base/output_file.h"

namespace mondeliar {

namespace {

class PageFile : public PageOutput {
public:
    explicit PageFile(const std::string& path) : file_(path) {}
    ~PageFile() override
    {
        try {
            Flush();
        } catch (const FileError&) {
            // The error that abandoned the page has already been reported.
        }
    }

private:
    void Deliver(std::string_view bytes) override { file_.Write(bytes); }
    void Finish() override { file_.Close(); }

    OutputFile file_;
};

class PageText : public PageOutput {
public:
    explicit PageText(std::string& text) : text_(text) { text_.clear(); }
    ~PageText() override { Flush(); }

private:
    void Deliver(std::string_view bytes) override { text_.append(bytes); }
    void Finish() override {}

    std::string& text_;
};

}  // namespace

void PageOutput::Close()
{
    Flush();
    Finish();
}

std::unique_ptr<PageOutput> OpenPageFile(const std::string& pageFileName)
{
    return std::make_unique<PageFile>(pageFileName);
}

PageOutputOpener PageIntoText(std::string& text)
{
    return [&text](const std::string&) { return std::make_unique<PageText>(text); };
}

}  // namespace mondeliar
