// Notes as plain text: Windows-1252 to Unicode, tags stripped, references decoded.

#include "html/plain_text.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

struct Row {
    std::string input;     // Windows-1252 bytes of a note
    std::string expected;  // its plain text in UTF-8
};

void ExpectEach(const std::vector<Row>& rows, std::string (*convert)(const std::string&))
{
    for (const Row& row : rows)
        EXPECT_EQ(convert(row.input), row.expected) << "input: " << row.input;
}

std::string Stripped(const std::string& html)
{
    return ToUtf8(StripTags(FromWindows1252(html)));
}

std::string Decoded(const std::string& text)
{
    return ToUtf8(DecodeEntities(FromWindows1252(text)));
}

std::string Plain(const std::string& html)
{
    return HtmlToPlainText(html);
}

TEST(PlainText, TagsAreRemovedAndLineBreakingTagsLeaveABlank)
{
    ExpectEach(
        {
            {"<B>Club</B> night", "Club night"},
            {"Line<BR>break", "Line break"},
            {"a<br/>b</p>c<LI>d<td class=x>e", "a b c d e"},
            {"<A HREF=\"http://x/?a>b\">link</A>", "link"},
            {"<IMG SRC='a.gif' ALT='>'>pic", "pic"},
            {"<span title=it's>x</span>", "x"},
            {"<font\nface=\"Arial\">multi-line tag</font>", "multi-line tag"},
            {"x<!-- hidden <B> -->y", "xy"},
            {"<!DOCTYPE html><?php echo 1 ?>t", "t"},
            {"a</>b", "ab"},
            // Text, not markup.
            {"a < b, 3<4, x <> y", "a < b, 3<4, x <> y"},
            {"<b unterminated", "<b unterminated"},
            {"<A HREF=\"never closed>text", "<A HREF=\"never closed>text"},
            {"x<!-- open", "x<!-- open"},
            {"1 </ 2", "1 </ 2"},
            {"<", "<"},
            {"&lt;B&gt;", "&lt;B&gt;"},
        },
        Stripped);
}

TEST(PlainText, CharacterReferencesAreDecoded)
{
    ExpectEach(
        {
            {"&amp; &lt; &gt; &quot; &apos;", "& < > \" '"},
            {"&nbsp;", "\xc2\xa0"},
            {"&eacute;&Eacute;&euro;&hellip;&szlig;&yuml;&Yuml;", "\xc3\xa9\xc3\x89\xe2\x82\xac"
                                                                  "\xe2\x80\xa6\xc3\x9f\xc3\xbf"
                                                                  "\xc5\xb8"},
            {"&#26085;&#x672C;&#X672c;", "\xe6\x97\xa5\xe6\x9c\xac\xe6\x9c\xac"},
            {"&#65;&#x1F600;", "A\xf0\x9f\x98\x80"},
            // As a browser reads them: 128..159 name the Windows-1252 characters, and what
            // names no character is U+FFFD.
            {"&#150;&#x80;", "\xe2\x80\x93\xe2\x82\xac"},
            {"&#0;|&#xD800;|&#x110000;|&#99999999999999999999;",
             "\xef\xbf\xbd|\xef\xbf\xbd|\xef\xbf\xbd|\xef\xbf\xbd"},
            // Left as they are.
            {"&unknown; &amp &#; &#x; &#12a; & b &", "&unknown; &amp &#; &#x; &#12a; & b &"},
            {"&AMP; &Amp;", "&AMP; &Amp;"},
            {"&&amp;;", "&&;"},
            {"&amp;lt;", "&lt;"},
        },
        Decoded);
}

TEST(PlainText, NotesBecomeTheTextTheirPageShows)
{
    ExpectEach(
        {
            {"Caf\xe9 \x80 5 \x93quoted\x94",
             "Caf\xc3\xa9 \xe2\x82\xac 5 \xe2\x80\x9cquoted\xe2\x80\x9d"},
            {"undefined \x81\x8d\x8f\x90\x9d", "undefined \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"
                                               "\xef\xbf\xbd\xef\xbf\xbd"},
            {"\xff\xa0", "\xc3\xbf\xc2\xa0"},
            // Tags go before references are decoded: an escaped tag is text.
            {"&lt;b&gt;bold&lt;/b&gt; <b>x</b>", "<b>bold</b> x"},
            {"  lots   of\tspace  ", "lots of space"},
            {"a&#10;b&#13;&#10;c", "a b c"},
            {"x&#1;y&#127;z\x7f", "xyz"},
            {"&nbsp;kept&nbsp;", "\xc2\xa0kept\xc2\xa0"},
            {"<B></B>", ""},
            {"<P>first</P><P>second</P>", "first second"},
            {"", ""},
        },
        Plain);
}

TEST(PlainText, Windows1252CoversEveryByte)
{
    for (int byte = 0; byte < 256; ++byte) {
        char32_t character = Windows1252Character(static_cast<unsigned char>(byte));
        if (byte < 0x80 || byte >= 0xA0)
            EXPECT_EQ(character, static_cast<char32_t>(byte));
        else
            EXPECT_GT(character, 0xFFu) << byte;  // no C1 control comes through
    }
    EXPECT_EQ(Windows1252Character(0x80), U'\u20AC');
    EXPECT_EQ(Windows1252Character(0x9F), U'\u0178');
}

}  // namespace
}  // namespace mondeliar
