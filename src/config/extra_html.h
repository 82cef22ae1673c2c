#pragma once
// The user's own HTML around the generated calendar: one text before it and one after it,
// the same for every calendar, kept in "pagetrim.header" and "pagetrim.footer".

#include "base/text_lines.h"

#include <string>

namespace mondeliar {

struct ExtraHtmlTexts {
    TextLines Header;  // "This HTML code will appear before the calendar"
    TextLines Footer;  // "This HTML code will appear after the calendar"
};

extern const char* const HeaderTextFileName;  // "pagetrim.header"
extern const char* const FooterTextFileName;  // "pagetrim.footer"

// Replaces each text by the lines of its file in `folder` when that file exists; a file that
// exists but cannot be read raises "Cannot open file <name>". A file that is not a regular
// file, or is larger than 16 MiB, raises the reader's RefusedFileError, which names it.
void LoadExtraHtml(ExtraHtmlTexts& texts, const std::string& folder);

// Writes both texts to their files in `folder`, each line ended by CR LF; a file that cannot
// be written raises "Cannot create file <name>".
void SaveExtraHtml(const ExtraHtmlTexts& texts, const std::string& folder);

// One text and its file, as the two above do for each (the windows load and save the texts
// one by one, so an unreadable file leaves the other text usable).
void LoadExtraHtmlText(TextLines& text, const std::string& path);
void SaveExtraHtmlText(const TextLines& text, const std::string& path);

}  // namespace mondeliar
