// The settings file reader. Property: a record saved with mode 1 (its own values) and loaded
// again equals itself in every field but NOTEPATH, which the file always resets; saving it
// again gives the same lines after the first.

#include "base/errors.h"
#include "config/calendar_settings.h"
#include "fuzz/fuzz_files.h"

namespace mondeliar {
namespace {

// Every field of the record but NOTEPATH, listed by hand, so that a field the file forgets
// is caught too.
bool SameSettings(const CalendarSettings& a, const CalendarSettings& b)
{
    return a.PURGEYEAR == b.PURGEYEAR && a.PURGEMONTH == b.PURGEMONTH && a.PURGEDAY == b.PURGEDAY
           && a.HTMLPATH == b.HTMLPATH && a.STARTYEAR == b.STARTYEAR && a.STARTWEEK == b.STARTWEEK
           && a.SELECTEDSTARTMONTH == b.SELECTEDSTARTMONTH
           && a.SELECTEDSTARTYEAR == b.SELECTEDSTARTYEAR && a.HTMLFILENAME == b.HTMLFILENAME
           && a.FILEEXTENSION == b.FILEEXTENSION && a.ADDYEAR == b.ADDYEAR
           && a.ALLOWLINK == b.ALLOWLINK && a.FTPHOST == b.FTPHOST && a.FTPPASSWORD == b.FTPPASSWORD
           && a.FTPPORT == b.FTPPORT && a.FTPREMOTEDIR == b.FTPREMOTEDIR && a.FTPUSER == b.FTPUSER
           && a.LANGUAGESELECTED == b.LANGUAGESELECTED && a.LANGUAGEOPTIONS == b.LANGUAGEOPTIONS
           && a.AUTHOR == b.AUTHOR && a.DESCRIPTION == b.DESCRIPTION && a.REPLYTO == b.REPLYTO
           && a.TITLE == b.TITLE && a.KEYWORDS == b.KEYWORDS
           && a.ADDMONTHTOTITLE == b.ADDMONTHTOTITLE && a.ALIGNDATE == b.ALIGNDATE
           && a.ALIGNTABLE == b.ALIGNTABLE && a.BACKGROUNDIMAGE == b.BACKGROUNDIMAGE
           && a.BORDER == b.BORDER && a.COLUMNWIDTH == b.COLUMNWIDTH && a.LASTUPDATE == b.LASTUPDATE
           && a.DISPLAYWEBPAGETITLE == b.DISPLAYWEBPAGETITLE && a.FONTFACE == b.FONTFACE
           && a.HEADINGTAGYEAR == b.HEADINGTAGYEAR && a.HEADINGTAGMONTH == b.HEADINGTAGMONTH
           && a.HEADINGTAGDAY == b.HEADINGTAGDAY && a.MONTHLABEL == b.MONTHLABEL
           && a.MONTHLINKS == b.MONTHLINKS && a.NOTEDIVIDER == b.NOTEDIVIDER
           && a.ROWHEIGHT == b.ROWHEIGHT && a.STYLESHEET == b.STYLESHEET
           && a.USEBORDERCOLOR == b.USEBORDERCOLOR && a.YEARLABEL == b.YEARLABEL
           && a.WIDTH == b.WIDTH && a.COLORMAINBG == b.COLORMAINBG && a.COLORMAINFG == b.COLORMAINFG
           && a.COLORMONTHNAMEBG == b.COLORMONTHNAMEBG && a.COLORMONTHNAMEFG == b.COLORMONTHNAMEFG
           && a.COLORDAYNAMEBG == b.COLORDAYNAMEBG && a.COLORDAYNAMEFG == b.COLORDAYNAMEFG
           && a.COLORBLANKCELLBG == b.COLORBLANKCELLBG && a.COLORDATESBG == b.COLORDATESBG
           && a.COLORDATESFG == b.COLORDATESFG && a.COLORNOTESBG == b.COLORNOTESBG
           && a.COLORNOTESFG == b.COLORNOTESFG && a.COLORBORDER == b.COLORBORDER
           && a.HTMLOPTION == b.HTMLOPTION && a.HEADERFILE == b.HEADERFILE
           && a.FOOTERFILE == b.FOOTERFILE && a.FTPPASSIVE == b.FTPPASSIVE && a.FTPTLS == b.FTPTLS
           && a.FTPTLSFINGERPRINT == b.FTPTLSFINGERPRINT && a.FTPCHANGEDONLY == b.FTPCHANGEDONLY
           && a.FTPATOMIC == b.FTPATOMIC && a.ICSFEED == b.ICSFEED;
}

// A bad number stops the load at its line; the keys before it stay loaded.
void Load(CalendarSettings& settings, const std::string& path)
{
    try {
        LoadConfig(settings, path);
    } catch (const ConversionError&) {
    }
}

std::string AfterFirstLine(const std::string& text)
{
    return text.substr(text.find('\n') + 1);
}

}  // namespace
}  // namespace mondeliar

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace mondeliar;
    CalendarSettings loaded;
    Load(loaded, fuzz::WriteInput("club.cfg", data, size));

    std::string savedPath = fuzz::Folder() + "saved.cfg";
    SaveConfig(loaded, savedPath, SaveMode::Current, fuzz::Folder());
    CalendarSettings again;
    Load(again, savedPath);
    fuzz::Require(SameSettings(loaded, again), "saved record loads as itself");

    std::string againPath = fuzz::Folder() + "saved-again.cfg";
    SaveConfig(again, againPath, SaveMode::Current, fuzz::Folder());
    fuzz::Require(AfterFirstLine(fuzz::ReadWhole(againPath))
                      == AfterFirstLine(fuzz::ReadWhole(savedPath)),
                  "saving again gives the same lines");
    return 0;
}
