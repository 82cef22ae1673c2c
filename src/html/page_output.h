#pragma once
// Where the page writer puts a page: the page file (the write command) or a text in memory
// (the configuration dialog's preview). The writer is the same, so both get the same bytes.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace mondeliar {

class PageOutput {
public:
    virtual ~PageOutput() = default;
    virtual void Write(std::string_view text) = 0;
    void WriteLine(std::string_view text = {})  // text and CR LF
    {
        Write(text);
        Write("\r\n");
    }
    // The texts one after another, without building them into one string first: a page is
    // written in thousands of small pieces.
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
    // The page is complete: a page file is flushed and closed.
    virtual void Close() = 0;
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
