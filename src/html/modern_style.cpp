#include "html/modern_style.h"

#include "base/integer_text.h"
#include "html/modern_text.h"

namespace mondeliar {

namespace {

// Without "Use border color" the grid lines keep a quiet grey.
const char* const PlainBorderColour = "#A0A0A0";

// The table's share of the page width: WIDTH in percent when it is one.
std::string TableWidth(const std::string& width)
{
    std::optional<std::int32_t> percent = ParseInteger(width, LeadingBlanks::Refused);
    return percent && *percent >= 1 && *percent <= 100 ? std::to_string(*percent) + "%" : "100%";
}

// ALIGNTABLE: where a table narrower than the page stands.
const char* TableMargin(int alignTable)
{
    switch (alignTable) {
    case 0:
        return "1rem auto 1rem 0";
    case 2:
        return "1rem 0 1rem auto";
    default:
        return "1rem auto";
    }
}

const char* DateAlignment(int alignDate)
{
    switch (alignDate) {
    case 1:
        return "center";
    case 2:
        return "right";
    default:
        return "left";
    }
}

void AddProperty(std::string& rule, const char* name, const std::string& value)
{
    rule += "--";
    rule += name;
    rule += ':';
    rule += value;
    rule += ';';
}

}  // namespace

std::string ModernStyleProperties(const CalendarSettings& s)
{
    struct Colour {
        const char* Name;
        const std::string& Stored;
        const char* Fallback;
    };
    // The page background under "Add HTML below to default" is the month-name colour, as
    // in the classic pages.
    const std::string& pageBackground = s.HTMLOPTION == 2 ? s.COLORMONTHNAMEBG : s.COLORMAINBG;
    const Colour colours[] = {
        {"main-bg", pageBackground, "#FFFFFF"},
        {"main-fg", s.COLORMAINFG, "#000000"},
        {"month-name-bg", s.COLORMONTHNAMEBG, "#FFFFFF"},
        {"month-name-fg", s.COLORMONTHNAMEFG, "#000000"},
        {"day-name-bg", s.COLORDAYNAMEBG, "#FFFFFF"},
        {"day-name-fg", s.COLORDAYNAMEFG, "#000000"},
        {"blank-cell-bg", s.COLORBLANKCELLBG, "#FFFFFF"},
        {"dates-bg", s.COLORDATESBG, "#FFFFFF"},
        {"dates-fg", s.COLORDATESFG, "#000000"},
        {"notes-bg", s.COLORNOTESBG, "#FFFFFF"},
        {"notes-fg", s.COLORNOTESFG, "#000000"},
    };
    std::string rule = ":root{";
    for (const Colour& colour : colours)
        AddProperty(rule, colour.Name, CssColour(colour.Stored, colour.Fallback));
    AddProperty(rule, "border",
                s.USEBORDERCOLOR ? CssColour(s.COLORBORDER, PlainBorderColour) : PlainBorderColour);
    AddProperty(rule, "border-width", s.BORDER == "0" ? "0" : "1px");
    AddProperty(rule, "font", CssFontFamily(s.FONTFACE));
    AddProperty(rule, "table-width", TableWidth(s.WIDTH));
    AddProperty(rule, "table-margin", TableMargin(s.ALIGNTABLE));
    AddProperty(rule, "date-align", DateAlignment(s.ALIGNDATE));
    if (s.HTMLOPTION == 0 && !s.BACKGROUNDIMAGE.empty())
        AddProperty(rule, "background-image", "url(\"" + LinkAttribute(s.BACKGROUNDIMAGE) + "\")");
    rule += '}';
    return rule;
}

const char* const ModernStyleRules
    = "*,*::before,*::after{box-sizing:border-box}\r\n"
      "body{margin:0 auto;padding:.5rem 1rem;max-width:75rem;background-color:var(--main-bg);"
      "background-image:var(--background-image,none);color:var(--main-fg);"
      "font-family:var(--font);line-height:1.4;overflow-wrap:anywhere}\r\n"
      "a{color:inherit}\r\n"
      "img,video,iframe{max-width:100%;height:auto}\r\n"
      "pre{white-space:pre-wrap}\r\n"
      ".page-heading,.year-separator{text-align:center}\r\n"
      ".site-title{font-size:1.75rem;margin:.5rem 0}\r\n"
      ".page-heading .year{margin:.5rem 0}\r\n"
      "nav ul{list-style:none;margin:.5rem 0;padding:0;display:flex;flex-wrap:wrap;"
      "justify-content:center;gap:.25rem .9rem}\r\n"
      "nav a,.subscribe a{display:inline-block;padding:.2rem 0}\r\n"
      "nav a[aria-current]{font-weight:bold}\r\n"
      ".neighbours{display:flex;justify-content:space-between;gap:1rem}\r\n"
      ".month table{border-collapse:collapse;table-layout:fixed;width:var(--table-width);"
      "margin:var(--table-margin)}\r\n"
      ".month caption{background-color:var(--month-name-bg);color:var(--month-name-fg);"
      "font-size:1.25rem;font-weight:bold;padding:.4rem}\r\n"
      ".month th{background-color:var(--day-name-bg);color:var(--day-name-fg);padding:.25rem;"
      "border:var(--border-width) solid var(--border)}\r\n"
      ".month td{vertical-align:top;text-align:var(--date-align);padding:.25rem;"
      "border:var(--border-width) solid var(--border);background-color:var(--dates-bg);"
      "color:var(--notes-fg);font-size:.875rem;hyphens:auto}\r\n"
      ".month td.blank{background-color:var(--blank-cell-bg)}\r\n"
      ".month td.notes{background-color:var(--notes-bg)}\r\n"
      ".month td.today{outline:3px solid currentColor;outline-offset:-3px}\r\n"
      ".month time{font-weight:bold}\r\n"
      ".month td ul{margin:.25rem 0 0;padding-left:1.1rem}\r\n"
      ".month td img{display:block;margin:.25rem auto 0}\r\n"
      ".weekday{display:none}\r\n"
      ".vh{position:absolute;width:1px;height:1px;margin:-1px;padding:0;overflow:hidden;"
      "clip:rect(0,0,0,0);white-space:nowrap;border:0}\r\n"
      ".page-end{text-align:center;font-size:.8125rem;margin:1.5rem 0 .5rem}\r\n"

      "@media (max-width:40em){"
      ".month table,.month caption,.month tbody,.month tr{display:block;width:auto}"
      ".month table{margin:1rem 0}"
      ".month thead,.month td.blank,.month td.day:not(.notes){display:none}"
      ".month td.notes{display:block;border-top-width:0;font-size:1rem}"
      ".weekday{display:inline}}\r\n"
      "@media print{"
      ":root{--main-bg:#FFF;--main-fg:#000;--month-name-bg:#FFF;--month-name-fg:#000;"
      "--day-name-bg:#FFF;--day-name-fg:#000;--blank-cell-bg:#FFF;--dates-bg:#FFF;"
      "--notes-bg:#FFF;--notes-fg:#000;--border:#000;--background-image:none}"
      "html{font-size:9pt}body{max-width:none}nav.months,nav.neighbours,.subscribe{display:none}"
      ".month+.month,.year-separator{break-before:page}.month tr{break-inside:avoid}}\r\n";

}  // namespace mondeliar
