#include "app/cfg_extra_html_tab.h"

#include "app/cfg_widgets.h"
#include "app/handler_guard.h"
#include "app/radio_group.h"
#include "app/settings_binder.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "config/calendar_context.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace mondeliar::app {

namespace {

const char* const HtmlFileFilter = "HTML files (*.htm *.html);;All files (*)";

// A memo's lines as the pages get them; an empty memo has none.
TextLines LinesOf(const QPlainTextEdit* memo)
{
    TextLines lines;
    QString text = memo->toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split('\n'))
        lines.push_back(ToWindows1252(line));
    return lines;
}

void ShowLines(QPlainTextEdit* memo, const TextLines& lines)
{
    QStringList text;
    for (std::string_view line : lines)
        text.push_back(FromWindows1252(std::string(line)));
    QSignalBlocker quiet(memo);
    memo->setPlainText(text.join('\n'));
}

QPlainTextEdit* NamedMemo(const char* name, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

}  // namespace

CfgExtraHtmlTab::CfgExtraHtmlTab(CalendarContext& context, UserDialogs& dialogs,
                                 SettingsBinder& binder, QWidget* parent)
    : QWidget(parent), context_(context), dialogs_(dialogs)
{
    auto* layout = new QVBoxLayout(this);
    rgHTML = new RadioGroup(
        "Additional HTML option",
        {"Default HTML only", "External files instead", "Add HTML below to default"}, 3, this);
    rgHTML->setObjectName("rgHTML");
    layout->addWidget(rgHTML);

    auto* EditHeaderfile = NamedEdit("EditHeaderfile", this);
    auto* BrowseHeaderfile = NamedChooserButton("BrowseHeaderfile", this);
    AddLabelledWithButton(layout, "Path and name of header file (128 characters)", EditHeaderfile,
                          BrowseHeaderfile);
    auto* EditFooterfile = NamedEdit("EditFooterfile", this);
    auto* ButtonBrowseFooterfile = NamedChooserButton("ButtonBrowseFooterfile", this);
    AddLabelledWithButton(layout, "Path and name of footer file (128 characters)", EditFooterfile,
                          ButtonBrowseFooterfile);

    MemoHeader = NamedMemo("MemoHeader", this);
    MemoFooter = NamedMemo("MemoFooter", this);
    AddLabelled(layout, "This HTML code will appear before the calendar", MemoHeader);
    AddLabelled(layout, "This HTML code will appear after the calendar", MemoFooter);

    using S = CalendarSettings;
    binder.Bind(rgHTML, &S::HTMLOPTION);
    binder.Bind(EditHeaderfile, &S::HEADERFILE, 128);
    binder.Bind(EditFooterfile, &S::FOOTERFILE, 128);

    connect(BrowseHeaderfile, &QToolButton::clicked, this,
            Guarded(dialogs_, [this, EditHeaderfile](auto&&...) { ChooseFile(EditHeaderfile); }));
    connect(ButtonBrowseFooterfile, &QToolButton::clicked, this,
            Guarded(dialogs_, [this, EditFooterfile](auto&&...) { ChooseFile(EditFooterfile); }));
    trims_[0] = {MemoHeader, &ExtraHtmlTexts::Header, HeaderTextFileName};
    trims_[1] = {MemoFooter, &ExtraHtmlTexts::Footer, FooterTextFileName};
    for (TrimText& trim : trims_)
        connect(trim.Memo, &QPlainTextEdit::textChanged, this, [this, &trim] {
            context_.ExtraHtml.*trim.Text = LinesOf(trim.Memo);
            MarkUnread(trim, false);
        });
}

void CfgExtraHtmlTab::Load()
{
    for (TrimText& trim : trims_) {
        std::string path = context_.DataFolder + trim.FileName;
        MarkUnread(trim, !RunHandler(dialogs_, [&] {
                       LoadExtraHtmlText(context_.ExtraHtml.*trim.Text, path);
                   }));
    }
}

void CfgExtraHtmlTab::Save() const
{
    for (const TrimText& trim : trims_)
        if (!trim.Unread)
            SaveExtraHtmlText(context_.ExtraHtml.*trim.Text, context_.DataFolder + trim.FileName);
}

void CfgExtraHtmlTab::MarkUnread(TrimText& trim, bool unread)
{
    trim.Unread = unread;
    trim.Memo->setPlaceholderText(
        unread ? QString("%1 could not be read. It stays as it is unless you type here.")
                     .arg(trim.FileName)
               : QString());
}

void CfgExtraHtmlTab::Fill()
{
    ShowLines(MemoHeader, context_.ExtraHtml.Header);
    ShowLines(MemoFooter, context_.ExtraHtml.Footer);
}

void CfgExtraHtmlTab::ChooseFile(QLineEdit* edit)
{
    if (std::optional<QString> file = dialogs_.ChooseOpenFile(HtmlFileFilter))
        edit->setText(*file);
}

}  // namespace mondeliar::app
