#include "config/languages.h"

#include "base/errors.h"
#include "base/field_text.h"
#include "base/files.h"
#include "base/output_file.h"
#include "base/text_reader.h"

#include <algorithm>
#include <cstdlib>

namespace mondeliar {

namespace {

template <std::size_t N>
OneBasedArray<std::string, N> MakeNames(const std::array<const char*, N>& texts)
{
    OneBasedArray<std::string, N> names;
    for (int k = 1; k <= static_cast<int>(N); ++k)
        names[k] = texts[static_cast<std::size_t>(k - 1)];
    return names;
}

const char* const LanguageExtension = ".lang";
const char* const LanguageCodeKey = "LANGUAGECODE";

// Sets the name a key such as "MONTH3" or "DAY7" stands for; false for any other key.
bool StoreName(LanguageNameSet& names, const std::string& key, const std::string& value)
{
    std::string cut = value.substr(0, NameCapacity);
    for (int m = 1; m <= MonthNameList::Count; ++m)
        if (key == "MONTH" + std::to_string(m)) {
            names.Months[m] = cut;
            return true;
        }
    for (int d = 1; d <= DayNameList::Count; ++d)
        if (key == "DAY" + std::to_string(d)) {
            names.Days[d] = cut;
            return true;
        }
    return false;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A language tag in the shape of BCP 47: a primary subtag of 2 to 8 letters, then subtags
// of 1 to 8 letters or digits, joined by "-".
bool IsLanguageTag(const std::string& tag)
{
    std::size_t start = 0;
    for (bool primary = true;; primary = false) {
        std::size_t end = std::min(tag.find('-', start), tag.size());
        std::size_t length = end - start;
        if (length < (primary ? 2u : 1u) || length > 8)
            return false;
        for (std::size_t i = start; i < end; ++i)
            if (!IsAsciiLetter(tag[i]) && !(tag[i] >= '0' && tag[i] <= '9' && !primary))
                return false;
        if (end == tag.size())
            return true;
        start = end + 1;
    }
}

// "de_DE.UTF-8@euro" gives "de-DE"; the C and POSIX locales name no language.
std::string LocaleLanguage()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value)
            continue;
        std::string name(value);
        name = name.substr(0, name.find_first_of(".@"));
        std::replace(name.begin(), name.end(), '_', '-');
        if (name == "C" || name == "POSIX" || !IsLanguageTag(name))
            return "";
        return name;
    }
    return "";
}

bool IsMainWindowTextKey(const std::string& key)
{
    return std::find(MainWindowTextKeys.begin(), MainWindowTextKeys.end(), key)
           != MainWindowTextKeys.end();
}

}  // namespace

const MonthNameList EnglishMonthNames
    = MakeNames<12>({"January", "February", "March", "April", "May", "June", "July", "August",
                     "September", "October", "November", "December"});

const DayNameList EnglishDayNames
    = MakeNames<7>({"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"});

const std::array<const char*, 17> MainWindowTextKeys = {
    "formMain.ButtonAbout",     "formMain.ButtonAboutHint", "formMain.ButtonCfg",
    "formMain.ButtonCfgHint",   "formMain.ButtonWrite",     "formMain.ButtonWriteHint",
    "formMain.ButtonPrev",      "formMain.ButtonPrevHint",  "formMain.ButtonNext",
    "formMain.ButtonNextHint",  "formMain.ButtonPublish",   "formMain.ButtonPublishHint",
    "formMain.ButtonHelp",      "formMain.ButtonHelpHint",  "formMain.ButtonPurge",
    "formMain.ButtonPurgeHint", "formMain.ButtonExit",
};

void Languages::LoadLanguage(const std::string& programFolder, const std::string& name,
                             const MainWindowTextSink& mainWindowTexts)
{
    RequirePlainFileName(name);
    TextReader reader(programFolder + name + LanguageExtension, SmallFileSizeLimit);
    std::string code;
    std::string line;
    while (reader.ReadLine(line)) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == LanguageCodeKey)
            code = value;
        else if (!StoreName(LanguageNames, key, value) && IsMainWindowTextKey(key)
                 && mainWindowTexts)
            mainWindowTexts(key, value);
    }
    DayNames = LanguageNames.Days;
    MonthNames = LanguageNames.Months;
    Code = code;
}

std::string PageLanguageTag(const Languages& language)
{
    if (IsLanguageTag(language.Code))
        return language.Code;
    std::string locale = LocaleLanguage();
    return locale.empty() ? "en" : locale;
}

std::vector<std::string> ListLanguages(const std::string& folder)
{
    std::vector<std::string> names;
    for (const std::string& file : FolderEntries(folder)) {
        if (file.size() < 5 || file.compare(file.size() - 5, 5, LanguageExtension) != 0)
            continue;
        if (!IsRegularFile(folder + "/" + file))
            continue;
        names.push_back(file.substr(0, file.find('.')));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void WriteLanguageFile(const std::string& programFolder, const std::string& name,
                       const LanguageNameSet& names)
{
    RequirePlainFileName(name);
    AtomicFile file(programFolder + name + LanguageExtension);
    for (int m = 1; m <= MonthNameList::Count; ++m)
        file.WriteLine("MONTH" + std::to_string(m) + "=" + LineSafeText(names.Months[m]));
    for (int d = 1; d <= DayNameList::Count; ++d)
        file.WriteLine("DAY" + std::to_string(d) + "=" + LineSafeText(names.Days[d]));
    file.Commit();
}

}  // namespace mondeliar
