#pragma once
// Day and month names of a language, read from "<language>.lang" files in the program's
// folder, which may also carry captions and hints for the main window's buttons.

#include "base/one_based.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace mondeliar {

constexpr std::size_t NameCapacity = 20;

using DayNameList = OneBasedArray<std::string, 7>;
using MonthNameList = OneBasedArray<std::string, 12>;

struct LanguageNameSet {
    DayNameList Days;
    MonthNameList Months;
};

extern const MonthNameList EnglishMonthNames;
extern const DayNameList EnglishDayNames;

// The main window's caption and hint keys a language file may carry, such as
// "formMain.ButtonWrite" and "formMain.ButtonWriteHint".
extern const std::array<const char*, 17> MainWindowTextKeys;

// Receives a caption or hint key of the main window and its new text.
using MainWindowTextSink = std::function<void(const std::string& key, const std::string& text)>;

class Languages {
public:
    // The names last read from a language file. Never cleared: a key a file lacks keeps
    // the value of the language loaded before.
    LanguageNameSet LanguageNames;
    // The working copies that the pages and the date label use.
    DayNameList DayNames;
    MonthNameList MonthNames;
    // The language's code as its file names it ("LANGUAGECODE=fr"), empty when it names
    // none. Unlike the names it is never kept from the language loaded before.
    std::string Code;

    // Reads `programFolder` + name + ".lang" into LanguageNames, hands caption and hint keys
    // to `mainWindowTexts`, then copies LanguageNames into DayNames and MonthNames. A name
    // that would leave `programFolder` raises "Invalid filename" before any file is opened.
    void LoadLanguage(const std::string& programFolder, const std::string& name,
                      const MainWindowTextSink& mainWindowTexts = {});

    // DayNames back in the language's order, from LanguageNames.
    void RestoreDayNames() { DayNames = LanguageNames.Days; }
};

// The language of pages in `language`: its code when that is a well-formed language tag,
// otherwise the language of the locale (LC_ALL, LC_MESSAGES, LANG), otherwise "en".
std::string PageLanguageTag(const Languages& language);

// The names of the language files in `folder`: each file name up to its first ".".
std::vector<std::string> ListLanguages(const std::string& folder);

// Creates or replaces `programFolder` + name + ".lang" with the nineteen name keys,
// MONTH1 .. MONTH12 then DAY1 .. DAY7.
void WriteLanguageFile(const std::string& programFolder, const std::string& name,
                       const LanguageNameSet& names);

}  // namespace mondeliar
