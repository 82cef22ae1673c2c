#pragma once
// The settings of the current calendar and their file: one field per key, each field named
// by its key as the file spells it.

#include <cstdint>
#include <string>

namespace mondeliar {

struct CalendarSettings {
    std::string NOTEPATH;  // ≤128, folder of the calendar files, "calendars/" in effect
    std::uint16_t PURGEYEAR = 0;
    std::uint16_t PURGEMONTH = 0;
    std::uint16_t PURGEDAY = 0;
    std::string HTMLPATH;        // ≤128, output folder ending with "/"
    std::uint8_t STARTYEAR = 0;  // first month written: 0 January, 1 current, 2 selected
    std::uint8_t STARTWEEK = 0;  // first day of the week, 0 Sunday .. 6 Saturday
    std::uint16_t SELECTEDSTARTMONTH = 0;
    std::uint16_t SELECTEDSTARTYEAR = 0;
    std::uint8_t HTMLFILENAME = 0;  // page names: 0 language month name, 1 English, 2 number
    std::string FILEEXTENSION;      // ≤5, ".htm" or ".html"
    bool ADDYEAR = false;
    bool ALLOWLINK = false;
    std::string FTPHOST;               // ≤128
    std::string FTPPASSWORD;           // ≤128, kept in plain text
    std::string FTPPORT;               // ≤5, decimal digits
    std::string FTPREMOTEDIR;          // ≤128, ending with "/"
    std::string FTPUSER;               // ≤128
    std::string LANGUAGESELECTED;      // ≤30
    std::uint8_t LANGUAGEOPTIONS = 0;  // kept only
    std::string AUTHOR;                // ≤128
    std::string DESCRIPTION;           // ≤128, kept only
    std::string REPLYTO;               // ≤128
    std::string TITLE;                 // ≤128
    std::string KEYWORDS;              // ≤255, each keyword preceded by a comma
    bool ADDMONTHTOTITLE = false;
    std::uint8_t ALIGNDATE = 0;  // 0 left, 1 center, 2 right
    std::uint8_t ALIGNTABLE = 0;
    std::string BACKGROUNDIMAGE;  // ≤128
    std::string BORDER;           // ≤2
    bool COLUMNWIDTH = false;
    bool LASTUPDATE = false;
    bool DISPLAYWEBPAGETITLE = false;
    std::string FONTFACE;         // ≤35
    std::string HEADINGTAGYEAR;   // ≤5
    std::string HEADINGTAGMONTH;  // ≤5
    std::string HEADINGTAGDAY;    // ≤5, kept only
    std::uint8_t MONTHLABEL = 0;  // 0 none, 1 text, 2 image
    std::uint8_t MONTHLINKS = 0;  // 0 none, 1 row above, 2 beside the name, 3 both
    std::string NOTEDIVIDER;      // ≤8
    bool ROWHEIGHT = false;
    std::string STYLESHEET;  // ≤128
    bool USEBORDERCOLOR = false;
    std::uint8_t YEARLABEL = 0;            // 0 none, 1 text, 2 image
    std::string WIDTH;                     // ≤3
    std::string COLORMAINBG, COLORMAINFG;  // RRGGBB, ≤6 each
    std::string COLORMONTHNAMEBG, COLORMONTHNAMEFG;
    std::string COLORDAYNAMEBG, COLORDAYNAMEFG;
    std::string COLORBLANKCELLBG;
    std::string COLORDATESBG, COLORDATESFG;
    std::string COLORNOTESBG, COLORNOTESFG;
    std::string COLORBORDER;
    std::uint8_t HTMLOPTION = 0;  // 0 default HTML, 1 header/footer files, 2 extra texts
    std::string HEADERFILE;       // ≤128
    std::string FOOTERFILE;       // ≤128

    // Keys beyond the 61 lines of the classic file. They are written after those lines,
    // and only when they differ from their defaults, so files that never used them keep
    // their bytes.
    bool FTPPASSIVE = false;        // every transfer uses PASV
    bool FTPTLS = false;            // explicit FTP over TLS (AUTH TLS)
    std::string FTPTLSFINGERPRINT;  // ≤128, SHA-256 of an accepted server certificate, hex
    bool FTPCHANGEDONLY = false;    // publish only the pages whose content changed
    bool FTPATOMIC = false;         // store as ".<name>.part", then rename over the page
    bool ICSFEED = false;           // Write also writes calendar.ics
    std::uint8_t PAGESTYLE = 0;     // 0 the classic pages, 1 the modern style
    bool SFTP = false;              // publish over SFTP (SSH) instead of FTP
    std::string SFTPHOSTKEY;        // ≤128, pinned host key fingerprint, "SHA256:" and base64
    std::string SFTPKEYFILE;        // ≤255, private key file; empty: the agent and ~/.ssh
};

// The folder of the calendar files, relative to the data folder.
extern const char* const CalendarsFolderPath;  // "calendars/"

enum class SaveMode { Defaults = 0, Current = 1 };

// Presets every field but NOTEPATH and ALLOWLINK, then reads the key=value lines of `path`.
// A number that is not a whole number stops the load with the conversion error.
void LoadConfig(CalendarSettings& settings, const std::string& path);

// Writes the 61 lines of a settings file: the defaults for a new calendar (HTMLPATH being
// `programFolder`) or the record's values. The file is readable by its owner only, since it
// holds the FTP password.
void SaveConfig(const CalendarSettings& settings, const std::string& path, SaveMode mode,
                const std::string& programFolder);

}  // namespace mondeliar
