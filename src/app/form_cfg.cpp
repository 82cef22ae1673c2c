#include "app/form_cfg.h"

#include "app/cfg_appearance_tab.h"
#include "app/cfg_calendars_tab.h"
#include "app/cfg_colors_tab.h"
#include "app/cfg_extra_html_tab.h"
#include "app/cfg_language_tab.h"
#include "app/cfg_meta_tags_tab.h"
#include "app/cfg_output_tab.h"
#include "app/cfg_recurring_tab.h"
#include "app/cfg_widgets.h"
#include "app/handler_guard.h"
#include "app/main_window_access.h"
#include "app/page_preview.h"
#include "app/radio_group.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "base/files.h"
#include "config/calendar_context.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace mondeliar::app {

namespace {

// Room for the tabs and the preview beside them, within the screen.
QSize InitialSize()
{
    QSize size(1140, 640);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    return size;
}

}  // namespace

TFormCfg::TFormCfg(CalendarContext& context, UserDialogs& dialogs, MainWindowAccess& mainWindow,
                   QWidget* parent)
    : QDialog(parent), context_(context), dialogs_(dialogs), mainWindow_(mainWindow)
{
    setWindowTitle("Configuration");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    setSizeGripEnabled(true);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(true);
    splitter->addWidget(BuildTabs());
    preview_ = new PagePreview(
        context_, [this] { return SettingsWithControls(); }, splitter);
    splitter->addWidget(preview_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({700, 420});

    auto* buttonOk = NamedButton("ButtonOk", "Ok", this);
    // Return in a one-line field accepts the dialog; in a grid it ends the cell's edit and
    // in a memo it is a line break (keyPressEvent).
    buttonOk->setDefault(true);
    auto* buttonCancel = NamedButton("ButtonCancel", "Cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonOk);
    buttons->addWidget(buttonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(InitialSize());

    connect(buttonOk, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonOkClick(); }));
    connect(buttonCancel, &QPushButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonCancelClick(); }));
    WatchForChanges();

    extraHtmlTab_->Load();
}

TFormCfg::~TFormCfg() = default;

QWidget* TFormCfg::BuildTabs()
{
    tabs_ = new QTabWidget;
    tabs_->setObjectName("PageControl");
    auto noteChange = [this] { NoteChange(); };
    calendarsTab_ = new CfgCalendarsTab(context_, dialogs_, mainWindow_);
    outputTab_ = new CfgOutputTab(binder_, dialogs_);
    languageTab_ = new CfgLanguageTab(context_, dialogs_, binder_, noteChange);
    auto* appearanceTab = new CfgAppearanceTab(binder_, dialogs_);
    colorsTab_ = new CfgColorsTab(context_, dialogs_, noteChange);
    metaTagsTab_ = new CfgMetaTagsTab(binder_);
    extraHtmlTab_ = new CfgExtraHtmlTab(context_, dialogs_, binder_);
    recurringTab_ = new CfgRecurringTab(context_);
    const std::pair<QWidget*, const char*> tabs[] = {
        {calendarsTab_, "Calendars"},
        {outputTab_, "Output"},
        {languageTab_, "Language"},
        {appearanceTab, "Appearance"},
        {colorsTab_, "Colors"},
        {metaTagsTab_, "Meta tags"},
        {extraHtmlTab_, "Additional HTML"},
        {recurringTab_, "Recurring"},
    };
    for (const auto& [tab, caption] : tabs) {
        tab->setObjectName(QString("TabSheet") + QString(caption).remove(' '));
        tabs_->addTab(tab, caption);
    }
    tabs_->setCurrentWidget(metaTagsTab_);
    return tabs_;
}

// Every edit of a control is noted, and renders the preview again shortly after.
void TFormCfg::WatchForChanges()
{
    auto noteChange = [this] { NoteChange(); };
    for (QLineEdit* edit : tabs_->findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, noteChange);
    for (QComboBox* list : tabs_->findChildren<QComboBox*>())
        connect(list, &QComboBox::currentIndexChanged, this, noteChange);
    for (QAbstractButton* button : tabs_->findChildren<QAbstractButton*>())
        connect(button, &QAbstractButton::toggled, this, noteChange);
    for (QPlainTextEdit* memo : tabs_->findChildren<QPlainTextEdit*>())
        connect(memo, &QPlainTextEdit::textChanged, this, noteChange);
    for (QAbstractItemView* grid : tabs_->findChildren<QAbstractItemView*>()) {
        if (!grid->model())
            continue;
        connect(grid->model(), &QAbstractItemModel::dataChanged, this, noteChange);
        connect(grid->model(), &QAbstractItemModel::rowsMoved, this, noteChange);
    }
}

void TFormCfg::NoteChange()
{
    changed_ = true;
    preview_->Schedule();
}

void TFormCfg::OpenDialog()
{
    show();
    raise();
    activateWindow();
    mainWindow_.SetCalendarListEnabled(false);
    DialogCalendarName = mainWindow_.CalendarListText();
    setWindowTitle("Configuration settings for " + DialogCalendarName + " calendar.");
    FillControls();
    // The steps that read files come last, each on its own: a failing one is reported and
    // leaves every control filled.
    RunHandler(dialogs_, [this] { languageTab_->FillLanguages(); });
    extraHtmlTab_->Fill();
    RunHandler(dialogs_, [this] { context_.LoadRecurring(); });
    recurringTab_->Reload();
    preview_->Refresh();
    changed_ = false;
}

void TFormCfg::FillControls()
{
    const CalendarSettings& settings = context_.Settings;
    calendarsTab_->Fill(settings);
    binder_.Fill(settings);
    outputTab_->Fill(settings);
    colorsTab_->Fill(settings);
    metaTagsTab_->Fill(settings);
}

CalendarSettings TFormCfg::SettingsWithControls() const
{
    CalendarSettings settings = context_.Settings;
    calendarsTab_->StorePurgeDate(settings);
    StoreControls(settings);
    return settings;
}

void TFormCfg::StoreControls(CalendarSettings& settings) const
{
    binder_.Store(settings);
    outputTab_->Store(settings);
    metaTagsTab_->Store(settings);
}

// An Ok that stops leaves the dialog shown, with what it stored before the stop.
void TFormCfg::ButtonOkClick()
{
    CalendarSettings& settings = context_.Settings;
    calendarsTab_->StorePurgeDate(settings);
    if (!CheckOutputFolder())
        return;
    StoreControls(settings);
    if (settings.STARTWEEK <= 6)
        mainWindow_.SetFirstDayOfWeek(settings.STARTWEEK);
    if (!CheckExternalFiles())
        return;
    extraHtmlTab_->Save();
    SaveRecurring(context_.Recurring, context_.RecurringFileName());
    SaveConfig(settings, context_.SettingsFileName, SaveMode::Current, context_.ProgramFolder);
    ReturnToMainWindow();
}

// The output folder must be named; a missing one is created, with its parents, when the
// user agrees.
bool TFormCfg::CheckOutputFolder()
{
    QLineEdit* path = outputTab_->PathEdit();
    if (path->text().isEmpty()) {
        dialogs_.ShowBox(BoxKind::Message, "Path for HTML output cannot be blank.");
        return false;
    }
    if (!path->text().endsWith('/'))
        path->setText(path->text() + '/');
    std::string folder = ToWindows1252(path->text());
    if (folder.size() > 1)
        folder.pop_back();
    if (FileExists(folder))
        return true;
    if (!dialogs_.AskYesNo("The path \"" + path->text()
                           + "\" does not exist. Would you like to create this directory?"))
        return false;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        dialogs_.ShowBox(BoxKind::Warning, "Cannot create directory. Check syntax");
        return false;
    }
    dialogs_.ShowBox(BoxKind::Information, "New directory created");
    return true;
}

// Under "External files instead" both files must exist; otherwise the option goes back
// to "Default HTML only" on the tab (the settings keep it) and Ok stops.
bool TFormCfg::CheckExternalFiles()
{
    const CalendarSettings& s = context_.Settings;
    if (s.HTMLOPTION != CfgExtraHtmlTab::ExternalFiles)
        return true;
    const std::pair<const std::string&, const char*> files[] = {
        {s.HEADERFILE, "Header file specified does not exist."},
        {s.FOOTERFILE, "Footer file specified does not exist."},
    };
    for (const auto& [file, message] : files) {
        if (!FileExists(file)) {
            dialogs_.ShowBox(BoxKind::Message, message);
            extraHtmlTab_->HtmlOption()->SetIndex(0);
            return false;
        }
    }
    return true;
}

void TFormCfg::ButtonCancelClick()
{
    ReturnToMainWindow();
}

void TFormCfg::ReturnToMainWindow()
{
    mainWindow_.SetCalendarListText(DialogCalendarName);
    hide();
    mainWindow_.BringToFront();
}

void TFormCfg::reject()
{
    RunHandler(dialogs_, [this] {
        if (changed_ && !dialogs_.AskYesNo("Discard the changes?"))
            return;
        ButtonCancelClick();
    });
}

void TFormCfg::keyPressEvent(QKeyEvent* event)
{
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    for (QWidget* widget = focusWidget(); enter && widget; widget = widget->parentWidget())
        if (qobject_cast<QAbstractItemView*>(widget))
            return;
    QDialog::keyPressEvent(event);
}

void TFormCfg::hideEvent(QHideEvent* event)
{
    mainWindow_.SetCalendarListEnabled(true);
    QDialog::hideEvent(event);
}

void TFormCfg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        recurringTab_->Repaint();
        preview_->Schedule();
    }
}

}  // namespace mondeliar::app
