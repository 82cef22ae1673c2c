// The language file reader. Properties: names are cut to twenty characters and copied to
// the working names; the names written to a language file load again as themselves.

#include "config/languages.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mondeliar;
    fuzz::WriteInput("Fuzz.lang", data, size);
    Languages language;
    std::size_t windowTexts = 0;
    language.LoadLanguage(fuzz::Folder(), "Fuzz",
                          [&](const std::string&, const std::string&) { ++windowTexts; });
    const LanguageNameSet& names = language.LanguageNames;
    for (int m = 1; m <= MonthNameList::Count; ++m)
        fuzz::Require(names.Months[m].size() <= NameCapacity, "month names fit");
    for (int d = 1; d <= DayNameList::Count; ++d)
        fuzz::Require(names.Days[d].size() <= NameCapacity, "day names fit");
    fuzz::Require(language.DayNames == names.Days && language.MonthNames == names.Months,
                  "working names are the loaded names");

    WriteLanguageFile(fuzz::Folder(), "Again", names);
    Languages again;
    again.LoadLanguage(fuzz::Folder(), "Again");
    fuzz::Require(again.LanguageNames.Days == names.Days
                      && again.LanguageNames.Months == names.Months,
                  "written names load as themselves");
    return 0;
}
