#include "config/calendar_settings.h"

#include "base/field_text.h"
#include "base/integer_text.h"
#include "base/output_file.h"
#include "base/text_reader.h"

#include <variant>
#include <vector>

namespace mondeliar {

const char* const CalendarsFolderPath = "calendars/";

namespace {

using TextField = std::string CalendarSettings::*;
using ByteField = std::uint8_t CalendarSettings::*;
using WordField = std::uint16_t CalendarSettings::*;
using FlagField = bool CalendarSettings::*;
using Field = std::variant<TextField, ByteField, WordField, FlagField>;

// One key of the settings file.
struct SettingKey {
    const char* key;
    Field field;
    std::size_t limit;        // longest text kept (text fields only)
    const char* fileDefault;  // as a new calendar's file holds it; null: the program folder
    const char* preset;       // in force when a file lacks the key; null: not preset
};

constexpr std::size_t Colour = 6;

// The keys after the two NOTEPATH lines, in the order SaveConfig writes them.
const std::vector<SettingKey>& SavedKeys()
{
    using S = CalendarSettings;
    static const std::vector<SettingKey> keys = {
        {"PURGEYEAR", &S::PURGEYEAR, 0, "2000", "2000"},
        {"PURGEMONTH", &S::PURGEMONTH, 0, "1", "1"},
        {"PURGEDAY", &S::PURGEDAY, 0, "1", "1"},
        {"HTMLPATH", &S::HTMLPATH, 128, nullptr, "/"},
        {"STARTYEAR", &S::STARTYEAR, 0, "0", "0"},
        {"HTMLFILENAME", &S::HTMLFILENAME, 0, "0", "0"},
        {"FILEEXTENSION", &S::FILEEXTENSION, 5, ".html", ".html"},
        {"STARTWEEK", &S::STARTWEEK, 0, "0", "0"},
        {"ADDYEAR", &S::ADDYEAR, 0, "FALSE", "FALSE"},
        {"ALLOWLINK", &S::ALLOWLINK, 0, "TRUE", nullptr},
        {"SELECTEDSTARTMONTH", &S::SELECTEDSTARTMONTH, 0, "1", "0"},
        {"SELECTEDSTARTYEAR", &S::SELECTEDSTARTYEAR, 0, "1", "0"},
        {"FTPUSER", &S::FTPUSER, 128, "", ""},
        {"FTPHOST", &S::FTPHOST, 128, "", ""},
        {"FTPPORT", &S::FTPPORT, 5, "21", ""},
        {"FTPPASSWORD", &S::FTPPASSWORD, 128, "", ""},
        {"FTPREMOTEDIR", &S::FTPREMOTEDIR, 128, "", ""},
        {"LANGUAGESELECTED", &S::LANGUAGESELECTED, 30, "English", "English"},
        {"LANGUAGEOPTIONS", &S::LANGUAGEOPTIONS, 0, "0", "0"},
        {"ALIGNTABLE", &S::ALIGNTABLE, 0, "1", "1"},
        {"ALIGNDATE", &S::ALIGNDATE, 0, "0", "0"},
        {"MONTHLINKS", &S::MONTHLINKS, 0, "3", "3"},
        {"COLUMNWIDTH", &S::COLUMNWIDTH, 0, "", "TRUE"},
        {"ROWHEIGHT", &S::ROWHEIGHT, 0, "", "FALSE"},
        {"YEARLABEL", &S::YEARLABEL, 0, "1", "1"},
        {"MONTHLABEL", &S::MONTHLABEL, 0, "1", "1"},
        {"HEADINGTAGYEAR", &S::HEADINGTAGYEAR, 5, "H1", "H1"},
        {"HEADINGTAGMONTH", &S::HEADINGTAGMONTH, 5, "H3", "H3"},
        {"HEADINGTAGDAY", &S::HEADINGTAGDAY, 5, "H4", "H4"},
        {"STYLESHEET", &S::STYLESHEET, 128, "", ""},
        {"BORDER", &S::BORDER, 2, "5", "5"},
        {"WIDTH", &S::WIDTH, 3, "100", "100"},
        {"BACKGROUNDIMAGE", &S::BACKGROUNDIMAGE, 128, "", ""},
        {"FONTFACE", &S::FONTFACE, 35, "Verdana", "Verdana"},
        {"DISPLAYWEBPAGETITLE", &S::DISPLAYWEBPAGETITLE, 0, "FALSE", "FALSE"},
        {"LASTUPDATE", &S::LASTUPDATE, 0, "TRUE", "TRUE"},
        {"USEBORDERCOLOR", &S::USEBORDERCOLOR, 0, "FALSE", "FALSE"},
        {"NOTEDIVIDER", &S::NOTEDIVIDER, 8, "<BR><BR>", "<BR><BR>"},
        {"COLORMAINBG", &S::COLORMAINBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORMAINFG", &S::COLORMAINFG, Colour, "000000", "000000"},
        {"COLORMONTHNAMEBG", &S::COLORMONTHNAMEBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORMONTHNAMEFG", &S::COLORMONTHNAMEFG, Colour, "000000", "000000"},
        {"COLORDAYNAMEBG", &S::COLORDAYNAMEBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORDAYNAMEFG", &S::COLORDAYNAMEFG, Colour, "000000", "000000"},
        {"COLORBLANKCELLBG", &S::COLORBLANKCELLBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORDATESBG", &S::COLORDATESBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORDATESFG", &S::COLORDATESFG, Colour, "000000", "000000"},
        {"COLORNOTESBG", &S::COLORNOTESBG, Colour, "FFFFFF", "FFFFFF"},
        {"COLORNOTESFG", &S::COLORNOTESFG, Colour, "000000", "000000"},
        {"COLORBORDER", &S::COLORBORDER, Colour, "C0C0C0", "C0C0C0"},
        {"TITLE", &S::TITLE, 128, "Calendar", "Calendar"},
        {"DESCRIPTION", &S::DESCRIPTION, 128, "", ""},
        {"REPLYTO", &S::REPLYTO, 128, "webmaster", "webmaster"},
        {"AUTHOR", &S::AUTHOR, 128, "Pellworth", "Pellworth"},
        {"ADDMONTHTOTITLE", &S::ADDMONTHTOTITLE, 0, "TRUE", "TRUE"},
        {"KEYWORDS", &S::KEYWORDS, 255, "", ""},
        {"HTMLOPTION", &S::HTMLOPTION, 0, "0", "0"},
        {"FOOTERFILE", &S::FOOTERFILE, 128, "", ""},
        {"HEADERFILE", &S::HEADERFILE, 128, "", ""},
    };
    return keys;
}

// Keys added after the classic 61 lines: written after them, and only when the value
// differs from the default (`fileDefault` = `preset` for all of them).
const std::vector<SettingKey>& ExtensionKeys()
{
    using S = CalendarSettings;
    static const std::vector<SettingKey> keys = {
        {"FTPPASSIVE", &S::FTPPASSIVE, 0, "FALSE", "FALSE"},
        {"FTPTLS", &S::FTPTLS, 0, "FALSE", "FALSE"},
        {"FTPTLSFINGERPRINT", &S::FTPTLSFINGERPRINT, 128, "", ""},
        {"FTPCHANGEDONLY", &S::FTPCHANGEDONLY, 0, "FALSE", "FALSE"},
        {"FTPATOMIC", &S::FTPATOMIC, 0, "FALSE", "FALSE"},
        {"ICSFEED", &S::ICSFEED, 0, "FALSE", "FALSE"},
        {"PAGESTYLE", &S::PAGESTYLE, 0, "0", "0"},
        {"SFTP", &S::SFTP, 0, "FALSE", "FALSE"},
        {"SFTPHOSTKEY", &S::SFTPHOSTKEY, 128, "", ""},
        {"SFTPKEYFILE", &S::SFTPKEYFILE, 255, "", ""},
    };
    return keys;
}

const SettingKey NotePathKey = {"NOTEPATH", &CalendarSettings::NOTEPATH, 128, nullptr, nullptr};

// Stores a value read from the file: texts cut to their limit, numbers in the field's
// width, booleans true only for exactly "TRUE".
void StoreValue(CalendarSettings& settings, const SettingKey& key, const std::string& value)
{
    std::visit(
        [&](auto member) {
            using Member = std::remove_reference_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Member, std::string>)
                settings.*member = value.substr(0, key.limit);
            else if constexpr (std::is_same_v<Member, bool>)
                settings.*member = value == "TRUE";
            else
                settings.*member = static_cast<Member>(StrToInt(value));
        },
        key.field);
}

std::string FormatValue(const CalendarSettings& settings, const SettingKey& key)
{
    return std::visit(
        [&](auto member) -> std::string {
            using Member = std::remove_cv_t<std::remove_reference_t<decltype(settings.*member)>>;
            if constexpr (std::is_same_v<Member, std::string>)
                return LineSafeText(settings.*member);
            else if constexpr (std::is_same_v<Member, bool>)
                return settings.*member ? "TRUE" : "FALSE";
            else
                return std::to_string(settings.*member);
        },
        key.field);
}

void ApplyPresets(CalendarSettings& settings)
{
    for (const auto* keys : {&SavedKeys(), &ExtensionKeys()})
        for (const SettingKey& key : *keys)
            if (key.preset)
                StoreValue(settings, key, key.preset);
}

// Keys compare exactly after their letters a-z are put in capitals.
std::string UpperCaseKey(std::string key)
{
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

const SettingKey* FindKey(const std::string& key)
{
    if (key == NotePathKey.key)
        return &NotePathKey;
    for (const auto* keys : {&SavedKeys(), &ExtensionKeys()})
        for (const SettingKey& candidate : *keys)
            if (key == candidate.key)
                return &candidate;
    return nullptr;
}

}  // namespace

void LoadConfig(CalendarSettings& settings, const std::string& path)
{
    ApplyPresets(settings);
    TextReader reader(path, SmallFileSizeLimit);
    std::string line;
    while (reader.ReadLine(line)) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        if (const SettingKey* key = FindKey(UpperCaseKey(line.substr(0, equals))))
            StoreValue(settings, *key, line.substr(equals + 1));
    }
}

void SaveConfig(const CalendarSettings& settings, const std::string& path, SaveMode mode,
                const std::string& programFolder)
{
    AtomicFile file(path, 0600);
    file.WriteLine("NOTEPATH=" + LineSafeText(settings.NOTEPATH));
    file.WriteLine(std::string("NOTEPATH=") + CalendarsFolderPath);
    for (const SettingKey& key : SavedKeys()) {
        std::string value;
        if (mode == SaveMode::Current)
            value = FormatValue(settings, key);
        else
            value = key.fileDefault ? key.fileDefault : LineSafeText(programFolder);
        file.WriteLine(std::string(key.key) + "=" + value);
    }
    if (mode == SaveMode::Current)
        for (const SettingKey& key : ExtensionKeys()) {
            std::string value = FormatValue(settings, key);
            if (value != key.fileDefault)
                file.WriteLine(std::string(key.key) + "=" + value);
        }
    file.Commit();
}

}  // namespace mondeliar
