#pragma once
// Where the page writer puts a page: the page file (the write command) or a text in memory
// (the configuration dialog's preview). The writer is the same, so both get the same bytes.

#include "base/output_file.h"

#include <functional>
#include <memory>
#include <string>

namespace mondeliar {

class PageOutput : public BufferedWriter {
public:
    PageOutput() : BufferedWriter(16 * 1024) {}
    // The page is complete: everything is handed on, and a page file is flushed and closed.
    void Close();

protected:
    virtual void Finish() = 0;
    // An output abandoned by an error hands on what it gathered as it is destroyed (Flush), so
    // that a page file keeps everything written before the error.
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
