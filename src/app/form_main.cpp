#include "app/form_main.h"

#include "app/dialog_handoff.h"
#include "app/form_about.h"
#include "app/form_add_note.h"
#include "app/form_cfg.h"
#include "app/form_purge.h"
#include "app/handler_guard.h"
#include "app/month_grid.h"
#include "app/program_pictures.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "base/files.h"
#include "base/program.h"
#include "base/errors.h"
#include "base/program_folders.h"
#include "config/calendar_files.h"
#include "html/page_names.h"
#include "html/write_command.h"
#include "publish/publish_command.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <cerrno>

namespace mondeliar::app {

namespace {

const char* const StartUpCaption = "Quellbrook - Mondeliar";
const char* const SwitchedCaption = "Mondeliar - ";
const char* const MainWindowKeyPrefix = "formMain.";
const char* const HintSuffix = "Hint";

QPushButton* CommandButton(const char* name, const QString& caption, const QString& hint,
                           QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return button;
}

// What Write has just put into the output folder. Without a month part in the names the
// month pages share their names, and only the pages themselves are counted.
QString WrittenFilesText(const CalendarSettings& s)
{
    QString files = HasMonthPart(s) ? "14 pages" : "The pages";
    if (s.ICSFEED)
        files += " and calendar.ics";
    return files + " written to " + FromWindows1252(s.HTMLPATH);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
           && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// While Publish runs, the commands that would start another command (or end the program)
// are disabled, the Publish button (and Escape) cancels it, the busy cursor shows and the
// progress line is visible; all of it is undone however the run ends.
class TFormMain::PublishRun {
public:
    PublishRun(TFormMain& window, const QString& host, PublishCancel& cancel)
        : window_(window), caption_(window.ButtonPublish->text()),
          hint_(window.ButtonPublish->toolTip())
    {
        window_.cancel_ = &cancel;
        window_.ButtonPublish->setText("&Cancel");
        window_.ButtonPublish->setToolTip("Stop publishing (Escape)");
        window_.UpdateCommandStates();
        window_.ShowPublishProgress("Publishing to " + host + " ...");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window_.repaint();
    }
    ~PublishRun()
    {
        QApplication::restoreOverrideCursor();
        window_.cancel_ = nullptr;
        window_.ButtonPublish->setText(caption_);
        window_.ButtonPublish->setToolTip(hint_);
        window_.LabelProgress->hide();
        window_.UpdateCommandStates();
    }
    PublishRun(const PublishRun&) = delete;
    PublishRun& operator=(const PublishRun&) = delete;

private:
    TFormMain& window_;
    QString caption_;  // the language file's, or the program's own
    QString hint_;
};

TFormMain::TFormMain(CalendarContext& context, UserDialogs& dialogs)
    : context_(context), dialogs_(dialogs)
{
    setObjectName("formMain");
    setWindowTitle(StartUpCaption);
    setWindowIcon(ProgramIcon());
    CreateControls();
    SetTabOrder();
    ConnectHandlers();
    context_.MainWindowTexts = [this](const std::string& key, const std::string& text) {
        ApplyMainWindowText(key, text);
    };
    resize(QSize(469, 408).expandedTo(minimumSizeHint()));
    show();
    setEnabled(true);
    BringToFront();
    RunHandler(dialogs_, [this] { LoadDefaultCalendar(); });
}

TFormMain::~TFormMain()
{
    context_.MainWindowTexts = nullptr;
}

void TFormMain::AttachDialogs(TFormCfg* formCfg, TFormAddNote& formAddNote, TFormPurge& formPurge,
                              TFormAbout& formAbout)
{
    formCfg_ = formCfg;
    formAddNote_ = &formAddNote;
    formPurge_ = &formPurge;
    formAbout_ = &formAbout;
    formAddNote.OnStored = [this] { RefreshNoteMarks(); };
    formPurge.OnPurged = [this] { RefreshNoteMarks(); };
}

void TFormMain::CreateControls()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    ButtonAbout = CommandButton("ButtonAbout", "&About", "About the program", Panel1);
    ButtonCfg = CommandButton("ButtonCfg", "&Configure", "Set configuration options", Panel1);
    ButtonWrite = CommandButton("ButtonWrite", "&Write", "Write out .html files", Panel1);
    // With "Publish only changed pages", unchanged pages stay as they are on the server; the
    // Publish button's arrow (or a right-click) offers to send them all the same.
    ButtonPublish = new QToolButton(Panel1);
    ButtonPublish->setObjectName("ButtonPublish");
    ButtonPublish->setText("&Publish");
    ButtonPublish->setToolTip("Send calendar to web server via FTP");
    ButtonPublish->setPopupMode(QToolButton::MenuButtonPopup);
    ButtonPublish->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    ButtonPublish->setMinimumHeight(ButtonWrite->sizeHint().height());
    UploadAllPages = new QAction("Upload &all pages", ButtonPublish);
    UploadAllPages->setObjectName("UploadAllPages");
    ButtonPublish->addAction(UploadAllPages);
    ButtonPublish->setContextMenuPolicy(Qt::ActionsContextMenu);
    CancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    CancelKey->setEnabled(false);
    ButtonHelp = CommandButton("ButtonHelp", "&Help", "Program documentation via html", Panel1);
    cbSelectCalendar = new QComboBox(Panel1);
    cbSelectCalendar->setObjectName("cbSelectCalendar");
    cbSelectCalendar->setEditable(true);
    cbSelectCalendar->setInsertPolicy(QComboBox::NoInsert);
    cbSelectCalendar->setCompleter(nullptr);
    cbSelectCalendar->setToolTip("Select calendar from list");
    cbSelectCalendar->setEditText(DefaultCalendarName);
    cbSelectCalendar->lineEdit()->installEventFilter(this);
    ButtonPurge = CommandButton("ButtonPurge", "P&urge", "Remove old calendar entries", Panel1);
    ButtonExit = CommandButton("ButtonExit", "E&xit", "Terminate the program", Panel1);

    auto* panel = new QGridLayout(Panel1);
    panel->setContentsMargins(5, 5, 5, 5);
    panel->setHorizontalSpacing(5);
    panel->setVerticalSpacing(4);
    QWidget* topRow[] = {ButtonAbout, ButtonCfg, ButtonWrite, ButtonPublish, ButtonHelp};
    for (int column = 0; column < 5; ++column) {
        panel->addWidget(topRow[column], 0, column);
        panel->setColumnStretch(column, 1);
    }
    panel->addWidget(cbSelectCalendar, 1, 0, 1, 3);
    panel->addWidget(ButtonPurge, 1, 3);
    panel->addWidget(ButtonExit, 1, 4);

    ButtonPrev = CommandButton("ButtonPrev", "Pre&vious month", "Display previous month", this);
    ButtonNext = CommandButton("ButtonNext", "&Next month", "Display next month", this);
    ButtonToday = CommandButton("ButtonToday", "&Today", "Display today's date (Home)", this);
    ButtonToday->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    GaugeUsage = new QProgressBar(this);
    GaugeUsage->setObjectName("GaugeUsage");
    GaugeUsage->setRange(0, MaxEntries);
    GaugeUsage->setToolTip("Percentage of available entries used");
    GaugeUsage->setFormat(UsageText(0));
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LabelDate = new QLabel(Bevel1);
    LabelDate->setObjectName("LabelDate");
    // Room for the longest English date, so that Write stepping through the months does not
    // widen the window.
    LabelDate->setMinimumWidth(LabelDate->fontMetrics().horizontalAdvance("September 30, 2002"));
    auto* bevel = new QHBoxLayout(Bevel1);
    bevel->setContentsMargins(3, 1, 3, 1);
    bevel->addWidget(LabelDate);

    auto* dateRow = new QHBoxLayout;
    dateRow->setContentsMargins(5, 4, 5, 4);
    dateRow->setSpacing(5);
    dateRow->addWidget(ButtonPrev, 85);
    dateRow->addWidget(ButtonNext, 85);
    dateRow->addWidget(ButtonToday);
    dateRow->addWidget(GaugeUsage, 133);
    dateRow->addWidget(Bevel1, 132);

    Calendar1 = new MonthGrid(this);
    Calendar1->setObjectName("Calendar1");
    Calendar1->setToolTip("DoubleClick on date to add note");
    Calendar1->ShowDate(context_.Today);
    Calendar1->SetFirstDayOfWeek(0);
    if (auto* view = Calendar1->findChild<QAbstractItemView*>())
        view->installEventFilter(this);

    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName("LabelProgress");
    LabelProgress->setContentsMargins(5, 2, 5, 2);
    LabelProgress->hide();
    CreateWrittenLine();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addLayout(dateRow);
    layout->addWidget(Calendar1, 1);
    layout->addWidget(LabelProgress);
    layout->addWidget(PanelWritten);
}

void TFormMain::CreateWrittenLine()
{
    PanelWritten = new QWidget(this);
    PanelWritten->setObjectName("PanelWritten");
    LabelWritten = new QLabel(PanelWritten);
    LabelWritten->setObjectName("LabelWritten");
    // A long folder must not widen the window: the line is cut, its tooltip holds it whole.
    LabelWritten->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ButtonOpenPage = CommandButton("ButtonOpenPage", "&Open in browser",
                                   "Open this month's page in your web browser", PanelWritten);
    auto* line = new QHBoxLayout(PanelWritten);
    line->setContentsMargins(5, 2, 5, 2);
    line->addWidget(LabelWritten, 1);
    line->addWidget(ButtonOpenPage);
    PanelWritten->hide();
}

void TFormMain::SetTabOrder()
{
    QWidget* order[] = {ButtonAbout,      ButtonCfg,   ButtonWrite,   ButtonPublish, ButtonHelp,
                        cbSelectCalendar, ButtonPurge, ButtonExit,    ButtonPrev,    ButtonNext,
                        ButtonToday,      Calendar1,   ButtonOpenPage};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormMain::ConnectHandlers()
{
    auto on = [this](QAbstractButton* button, void (TFormMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                Guarded(dialogs_, [this, handler](bool) { (this->*handler)(); }));
    };
    on(ButtonAbout, &TFormMain::ButtonAboutClick);
    on(ButtonCfg, &TFormMain::ButtonCfgClick);
    on(ButtonWrite, &TFormMain::ButtonWriteClick);
    on(ButtonPublish, &TFormMain::ButtonPublishClick);
    connect(UploadAllPages, &QAction::triggered, this,
            Guarded(dialogs_, [this](bool) { UploadAllPagesClick(); }));
    connect(CancelKey, &QShortcut::activated, this, Guarded(dialogs_, [this] { CancelPublish(); }));
    on(ButtonHelp, &TFormMain::ButtonHelpClick);
    on(ButtonPurge, &TFormMain::ButtonPurgeClick);
    on(ButtonExit, &TFormMain::ButtonExitClick);
    on(ButtonPrev, &TFormMain::ButtonPrevClick);
    on(ButtonNext, &TFormMain::ButtonNextClick);
    on(ButtonToday, &TFormMain::ButtonTodayClick);
    on(ButtonOpenPage, &TFormMain::ButtonOpenPageClick);
    connect(Calendar1, &QCalendarWidget::selectionChanged, this,
            Guarded(dialogs_, [this] { Calendar1Change(); }));
    connect(Calendar1, &QCalendarWidget::activated, this,
            Guarded(dialogs_, [this](QDate) { Calendar1DblClick(); }));
    connect(cbSelectCalendar, &QComboBox::activated, this, Guarded(dialogs_, [this](int index) {
                cbSelectCalendarChange(cbSelectCalendar->itemText(index));
            }));
}

// Creation steps from the default calendar's files on: any failure skips the rest.
void TFormMain::LoadDefaultCalendar()
{
    CreateDefaultCalendarFiles(context_);
    LoadCurrentCalendar(context_);
    RefreshNoteMarks();
    FillCalendarList();
    RefreshUsageGauge();
    RefreshDateLabel();
    SetFirstDayOfWeek(context_.Settings.STARTWEEK);
}

void TFormMain::FillCalendarList()
{
    cbSelectCalendar->clear();
    for (const std::string& name : ListCalendars(context_.DataFolder))
        cbSelectCalendar->addItem(FromWindows1252(name));
    cbSelectCalendar->setCurrentIndex(-1);
    SetCalendarListText(DefaultCalendarName);
}

void TFormMain::ApplyMainWindowText(const std::string& key, const std::string& text)
{
    std::string name = key.substr(std::string(MainWindowKeyPrefix).size());
    bool hint = EndsWith(name, HintSuffix);
    if (hint)
        name.resize(name.size() - std::string(HintSuffix).size());
    auto* button = findChild<QAbstractButton*>(QString::fromStdString(name));
    if (!button)
        return;
    if (hint)
        button->setToolTip(FromWindows1252(text));
    else
        button->setText(FromWindows1252(text));
}

void TFormMain::RefreshDateLabel()
{
    Date shown = Calendar1->SelectedDate();
    QString month = FromWindows1252(context_.Language.MonthNames[shown.Month]);
    LabelDate->setText(QString("%1 %2, %3").arg(month).arg(shown.Day).arg(shown.Year));
}

void TFormMain::RefreshUsageGauge()
{
    int used = context_.Entries.CountUsedEntries();
    GaugeUsage->setValue(used);
    GaugeUsage->setFormat(UsageText(used));
}

void TFormMain::RefreshNoteMarks()
{
    Calendar1->MarkNoteDates(context_.Entries);
}

void TFormMain::UpdateCommandStates()
{
    bool idle = !cancel_;
    for (QWidget* command : std::initializer_list<QWidget*>{ButtonWrite, ButtonCfg, ButtonExit})
        command->setEnabled(idle);
    // While a publish runs the button cancels it, once.
    bool cancellable = cancel_ && !cancel_->Cancelled();
    ButtonPublish->setEnabled(idle || cancellable);
    UploadAllPages->setEnabled(idle);
    CancelKey->setEnabled(cancellable);
    cbSelectCalendar->setEnabled(idle && !calendarListHeld_);
}

void TFormMain::ShowWrittenPages()
{
    const CalendarSettings& s = context_.Settings;
    writtenPage_ = FromWindows1252(s.HTMLPATH + CurrentPageName(s));
    LabelWritten->setText(WrittenFilesText(s));
    LabelWritten->setToolTip(LabelWritten->text());
    PanelWritten->show();
}

void TFormMain::ShowPublishProgress(const QString& text)
{
    LabelProgress->setText(text);
    LabelProgress->show();
}

void TFormMain::Terminate()
{
    context_.Entries.AllocateTable();
    if (OnTerminate)
        OnTerminate();
}

PageWriterHooks TFormMain::WriterHooks()
{
    PageWriterHooks hooks;
    hooks.ShowDate = [this](const Date& date) { Calendar1->ShowDate(date); };
    return hooks;
}

// --- handlers --------------------------------------------------------------------------

void TFormMain::ButtonAboutClick()
{
    formAbout_->OpenDialog();
}

void TFormMain::ButtonCfgClick()
{
    if (formCfg_)
        formCfg_->OpenDialog();
}

void TFormMain::ButtonWriteClick()
{
    PanelWritten->hide();
    WriteCalendarPages(context_, WriterHooks());
    ShowWrittenPages();
}

void TFormMain::ButtonOpenPageClick()
{
    dialogs_.OpenDocument(writtenPage_);
}

void TFormMain::ButtonPublishClick()
{
    if (cancel_)
        CancelPublish();
    else
        Publish(false);
}

// Comes while the publish waits for its server; the session ends at once.
void TFormMain::CancelPublish()
{
    if (!cancel_ || cancel_->Cancelled())
        return;
    ShowPublishProgress("Cancelling ...");
    cancel_->Cancel();
    UpdateCommandStates();
}

void TFormMain::UploadAllPagesClick()
{
    Publish(true);
}

void TFormMain::Publish(bool uploadAll)
{
    QStringList sessionLog;
    PublishRequest request;
    request.Hooks = WriterHooks();
    request.SessionLog
        = [&sessionLog](const std::string& line) { sessionLog << FromWindows1252(line); };
    request.Progress = [this](int index, int count, const std::string& hostFileName) {
        ShowPublishProgress(QString("Sending file %1 of %2: %3")
                                .arg(index)
                                .arg(count)
                                .arg(FromWindows1252(hostFileName)));
    };
    request.UploadAll = uploadAll;
    request.Confirm = [this](const std::string& question) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const bool yes = dialogs_.AskYesNo(FromWindows1252(question));
        QApplication::restoreOverrideCursor();
        return yes;
    };
    PublishCancel cancel;
    request.Cancel = &cancel;
    PublishOutcome outcome;
    {
        PublishRun run(*this, FromWindows1252(context_.Settings.FTPHOST), cancel);
        outcome = PublishCalendar(context_, request);
    }
    const QString text = FromWindows1252(outcome.PlainText);
    switch (outcome.Result) {
    case PublishResult::Sent:
    case PublishResult::NothingChanged:
    case PublishResult::SettingsIncomplete:
        dialogs_.ShowBox(BoxKind::Message, text);
        break;
    case PublishResult::Cancelled:
        dialogs_.ShowBox(BoxKind::Message, text, sessionLog.join('\n'));
        break;
    case PublishResult::Busy:
    case PublishResult::Failed:
        dialogs_.ShowBox(BoxKind::Warning, text, sessionLog.join('\n'));
        break;
    }
}

// The data folder's help pages when it has them, else the installed ones; without either, a
// box says where Mondeliar looked.
void TFormMain::ButtonHelpClick()
{
    std::string help = HelpIndexPage(context_.DataFolder, ExecutableFolder());
    if (!IsRegularFile(help)) {
        dialogs_.ShowBox(BoxKind::Message,
                         "The help pages were not found. Mondeliar looked for "
                             + QFile::decodeName(help.c_str()) + " and "
                             + QFile::decodeName(InstalledHelpIndexPage(ExecutableFolder()).c_str())
                             + ".");
        return;
    }
    dialogs_.OpenDocument(QFile::decodeName(help.c_str()));
}

void TFormMain::ButtonPurgeClick()
{
    formPurge_->OpenDialog();
}

void TFormMain::ButtonExitClick()
{
    Terminate();
}

void TFormMain::ButtonPrevClick()
{
    Calendar1->StepMonth(-1);
    RefreshDateLabel();
}

void TFormMain::ButtonNextClick()
{
    Calendar1->StepMonth(1);
    RefreshDateLabel();
}

void TFormMain::ButtonTodayClick()
{
    Calendar1->ShowDate(context_.Today);
    RefreshDateLabel();
}

// The Delete key: the date's notes go, as a purge frees them, and the notes file is saved.
void TFormMain::DeleteDateNotes()
{
    Date date = Calendar1->SelectedDate();
    auto onDate = [&date](const CalendarEntry& entry) {
        return entry.HoldsDate(date.Month, date.Day, date.Year);
    };
    if (CountEntries(context_.Entries, onDate) == 0)
        return;
    if (!dialogs_.AskYesNo("Delete the notes of " + LabelDate->text() + "?"))
        return;
    FreeEntries(context_.Entries, onDate);
    RefreshNoteMarks();
    context_.Entries.SaveEntries();
}

void TFormMain::Calendar1Change()
{
    RefreshDateLabel();
}

void TFormMain::Calendar1DblClick()
{
    selectedDate_ = Calendar1->SelectedDate();
    RefreshDateLabel();
    formAddNote_->OpenForDate(selectedDate_, LabelDate->text());
}

// The switch of a calendar. A name without files fails with the error report; the table is
// then empty, and the marks show that.
void TFormMain::cbSelectCalendarChange(const QString& name)
{
    lastSwitchName_ = name;
    RequireCalendar(ToWindows1252(name));
    try {
        SwitchCalendar(context_, ToWindows1252(name));
    } catch (...) {
        RefreshNoteMarks();
        throw;
    }
    RefreshNoteMarks();
    RefreshUsageGauge();
    RefreshDateLabel();
    setWindowTitle(SwitchedCaption + name);
}

void TFormMain::RequireCalendar(const std::string& name)
{
    try {
        RequirePlainFileName(name);
        CalendarFiles files(context_.CalendarsFolder(), name);
        for (const std::string& file : {files.Notes, files.Settings})
            if (!FileExists(file))
                ThrowFileError(ENOENT, file);
    } catch (...) {
        // The list's item too: leaving the edit would choose a matching item otherwise.
        QString current = FromWindows1252(context_.CalendarName);
        cbSelectCalendar->setCurrentIndex(
            cbSelectCalendar->findText(current, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        SetCalendarListText(current);
        throw;
    }
}

// The calendar list switches when Enter is pressed in its edit, or when the edit is left
// with a name other than the one last switched to; not on every keystroke.
bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != cbSelectCalendar->lineEdit()) {
        if (event->type() == QEvent::KeyPress && GridKeyPress(*static_cast<QKeyEvent*>(event)))
            return true;
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            RunHandler(dialogs_,
                       [this] { cbSelectCalendarChange(cbSelectCalendar->currentText()); });
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        bool leftByUser = reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
        if (leftByUser && cbSelectCalendar->currentText() != lastSwitchName_)
            RunHandler(dialogs_,
                       [this] { cbSelectCalendarChange(cbSelectCalendar->currentText()); });
    }
    return QWidget::eventFilter(watched, event);
}

bool TFormMain::GridKeyPress(const QKeyEvent& key)
{
    bool ctrl = key.modifiers() == Qt::ControlModifier;
    if (key.key() == Qt::Key_Home && key.modifiers() == Qt::NoModifier)
        RunHandler(dialogs_, [this] { ButtonTodayClick(); });
    else if (ctrl && (key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown))
        RunHandler(dialogs_, [this, &key] {
            Calendar1->StepMonth(key.key() == Qt::Key_PageUp ? -12 : 12);
            RefreshDateLabel();
        });
    else if (key.key() == Qt::Key_Delete)
        RunHandler(dialogs_, [this] { DeleteDateNotes(); });
    else
        return false;
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (cancel_)
        return;
    if (!isEnabled()) {
        // A dialog is open over the window: it comes to the front instead.
        for (QWidget* dialog :
             {static_cast<QWidget*>(formAddNote_), static_cast<QWidget*>(formPurge_),
              static_cast<QWidget*>(formAbout_)})
            if (dialog && dialog->isVisible())
                BringWindowToFront(*dialog);
        return;
    }
    event->accept();
    Terminate();
}

void TFormMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled() && formCfg_)
        formCfg_->setEnabled(true);
}

// --- MainWindowAccess ------------------------------------------------------------------

QString TFormMain::CalendarListText() const
{
    return cbSelectCalendar->currentText();
}

void TFormMain::SetCalendarListText(const QString& name)
{
    cbSelectCalendar->setEditText(name);
    lastSwitchName_ = name;
}

QStringList TFormMain::CalendarListItems() const
{
    QStringList items;
    for (int i = 0; i < cbSelectCalendar->count(); ++i)
        items << cbSelectCalendar->itemText(i);
    return items;
}

void TFormMain::AddCalendarListItem(const QString& name)
{
    if (cbSelectCalendar->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0)
        return;
    int place = 0;
    while (place < cbSelectCalendar->count()
           && cbSelectCalendar->itemText(place).compare(name, Qt::CaseInsensitive) < 0)
        ++place;
    QString text = cbSelectCalendar->currentText();
    cbSelectCalendar->insertItem(place, name);
    cbSelectCalendar->setEditText(text);
}

void TFormMain::SetCalendarListEnabled(bool enabled)
{
    calendarListHeld_ = !enabled;
    UpdateCommandStates();
}

void TFormMain::SetFirstDayOfWeek(int startWeek)
{
    Calendar1->SetFirstDayOfWeek(startWeek);
}

void TFormMain::BringToFront()
{
    BringWindowToFront(*this);
}

}  // namespace mondeliar::app
