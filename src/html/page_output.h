#pragma once
// Where the page writer puts a page: the page file (the write command) or a text in memory
// (the configuration dialog's preview). The writer is the same, so both get the same bytes.

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace mondeliar {

class PageOutput {
public:
    PageOutput() = default;
    virtual ~PageOutput() = default;
    PageOutput(const PageOutput&) = delete;
    PageOutput& operator=(const PageOutput&) = delete;

    // A page is written in thousands of small pieces. They are gathered here and handed on in
    // blocks, so that a piece costs a copy and not a call through the output.
    void Write(std::string_view text)
    {
        if (text.size() <= sizeof buffer_ - used_) {
            std::copy(text.begin(), text.end(), buffer_ + used_);
            used_ += text.size();
        } else {
            WriteLarge(text);
        }
    }
    void WriteLine(std::string_view text = {})  // text and CR LF
    {
        Write(text);
        Write("\r\n");
    }
    // The texts one after another, without building them into one string first.
    template <typename... Texts>
    void Write(std::string_view first, std::string_view second, const Texts&... rest)
    {
        Write(first);
        Write(second);
        (Write(std::string_view(rest)), ...);
    }
    template <typename... Texts>
    void WriteLine(std::string_view first, std::string_view second, const Texts&... rest)
    {
        Write(first, second, rest...);
        Write("\r\n");
    }
    // The page is complete: everything is handed on, and a page file is flushed and closed.
    void Close();

protected:
    // Receives the page's bytes, in order.
    virtual void Deliver(std::string_view bytes) = 0;
    virtual void Finish() = 0;
    // Hands on what is gathered. An output abandoned by an error calls it as it is destroyed,
    // so that a page file keeps everything written before the error.
    void HandOn();

private:
    void WriteLarge(std::string_view text);

    char buffer_[16 * 1024];
    std::size_t used_ = 0;
};

// Opens the output of the page named `pageFileName` (its full path), created empty.
using PageOutputOpener
    = std::function<std::unique_ptr<PageOutput>(const std::string& pageFileName)>;

// Creates the page file, or writes over it when it exists: once closed or abandoned it holds
// exactly what was written (see OutputFile).
std::unique_ptr<PageOutput> OpenPageFile(const std::string& pageFileName);

// An opener that writes every page into `text`, replacing what it held; nothing touches the
// disk. `text` must outlive the writer.
PageOutputOpener PageIntoText(std::string& text);

}  // namespace mondeliar
