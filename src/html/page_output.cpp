#include "html/page_output.h"

#include "base/output_file.h"

namespace mondeliar {

namespace {

class PageFile : public PageOutput {
public:
    explicit PageFile(const std::string& path) : file_(path) {}
    void Write(std::string_view text) override { file_.Write(text); }
    void Close() override { file_.Close(); }

private:
    OutputFile file_;
};

class PageText : public PageOutput {
public:
    explicit PageText(std::string& text) : text_(text) { text_.clear(); }
    void Write(std::string_view text) override { text_.append(text); }
    void Close() override {}

private:
    std::string& text_;
};

}  // namespace

std::unique_ptr<PageOutput> OpenPageFile(const std::string& pageFileName)
{
    return std::make_unique<PageFile>(pageFileName);
}

PageOutputOpener PageIntoText(std::string& text)
{
    return [&text](const std::string&) { return std::make_unique<PageText>(text); };
}

}  // namespace mondeliar
