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
#include "base/program_folders.h"
#include "html/write_command.h"
#include "publish/publish_command.h"

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
#include <QVBoxLayout>

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

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size()
           && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// While Publish runs, the commands that would start another command (or end the program)
// are disabled, the busy cursor shows and the progress line is visible; all of it is undone
// however the run ends.
class TFormMain::PublishRun {
public:
    PublishRun(TFormMain& window, const QString& host) : window_(window)
    {
        window_.publishing_ = true;
        window_.UpdateCommandStates();
        window_.ShowPublishProgress("Publishing to " + host + " ...");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window_.repaint();
    }
    ~PublishRun()
    {
        QApplication::restoreOverrideCursor();
        window_.publishing_ = false;
        window_.LabelProgress->hide();
        window_.UpdateCommandStates();
    }
    PublishRun(const PublishRun&) = delete;
    PublishRun& operator=(const PublishRun&) = delete;

private:
    TFormMain& window_;
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
    ButtonAbout = CommandButton("ButtonAbout", "About", "About the program", Panel1);
    ButtonCfg = CommandButton("ButtonCfg", "Configure", "Set configuration options", Panel1);
    ButtonWrite = CommandButton("ButtonWrite", "Write", "Write out .html files", Panel1);
    ButtonPublish
        = CommandButton("ButtonPublish", "Publish", "Send calendar to web server via FTP", Panel1);
    ButtonHelp = CommandButton("ButtonHelp", "Help", "Program documentation via html", Panel1);
    // With "Publish only changed pages", unchanged pages stay as they are on the server; the
    // Publish button's menu (right-click) sends them all the same.
    UploadAllPages = new QAction("Upload all pages", ButtonPublish);
    UploadAllPages->setObjectName("UploadAllPages");
    ButtonPublish->addAction(UploadAllPages);
    ButtonPublish->setContextMenuPolicy(Qt::ActionsContextMenu);
    cbSelectCalendar = new QComboBox(Panel1);
    cbSelectCalendar->setObjectName("cbSelectCalendar");
    cbSelectCalendar->setEditable(true);
    cbSelectCalendar->setInsertPolicy(QComboBox::NoInsert);
    cbSelectCalendar->setCompleter(nullptr);
    cbSelectCalendar->setToolTip("Select calendar from list");
    cbSelectCalendar->setEditText(DefaultCalendarName);
    cbSelectCalendar->lineEdit()->installEventFilter(this);
    ButtonPurge = CommandButton("ButtonPurge", "Purge", "Remove old calendar entries", Panel1);
    ButtonExit = CommandButton("ButtonExit", "Exit", "Terminate the program", Panel1);

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

    ButtonPrev = CommandButton("ButtonPrev", "Previous month", "Display previous month", this);
    ButtonNext = CommandButton("ButtonNext", "Next month", "Display next month", this);
    GaugeUsage = new QProgressBar(this);
    GaugeUsage->setObjectName("GaugeUsage");
    GaugeUsage->setRange(0, MaxEntries);
    GaugeUsage->setFormat("%p%");
    GaugeUsage->setToolTip("Percentage of available entries used");
    GaugeUsage->setValue(0);
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LabelDate = new QLabel(Bevel1);
    LabelDate->setObjectName("LabelDate");
    auto* bevel = new QHBoxLayout(Bevel1);
    bevel->setContentsMargins(3, 1, 3, 1);
    bevel->addWidget(LabelDate);

    auto* dateRow = new QHBoxLayout;
    dateRow->setContentsMargins(5, 4, 5, 4);
    dateRow->setSpacing(5);
    dateRow->addWidget(ButtonPrev, 85);
    dateRow->addWidget(ButtonNext, 85);
    dateRow->addWidget(GaugeUsage, 133);
    dateRow->addWidget(Bevel1, 132);

    Calendar1 = new MonthGrid(this);
    Calendar1->setObjectName("Calendar1");
    Calendar1->setToolTip("DoubleClick on date to add note");
    Calendar1->ShowDate(context_.Today);
    Calendar1->SetFirstDayOfWeek(0);

    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName("LabelProgress");
    LabelProgress->setContentsMargins(5, 2, 5, 2);
    LabelProgress->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addLayout(dateRow);
    layout->addWidget(Calendar1, 1);
    layout->addWidget(LabelProgress);
}

void TFormMain::SetTabOrder()
{
    QWidget* order[]
        = {ButtonAbout, ButtonCfg,  ButtonWrite, ButtonPublish, ButtonHelp, cbSelectCalendar,
           ButtonPurge, ButtonExit, ButtonPrev,  ButtonNext,    Calendar1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TFormMain::ConnectHandlers()
{
    auto on = [this](QPushButton* button, void (TFormMain::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                Guarded(dialogs_, [this, handler](bool) { (this->*handler)(); }));
    };
    on(ButtonAbout, &TFormMain::ButtonAboutClick);
    on(ButtonCfg, &TFormMain::ButtonCfgClick);
    on(ButtonWrite, &TFormMain::ButtonWriteClick);
    on(ButtonPublish, &TFormMain::ButtonPublishClick);
    connect(UploadAllPages, &QAction::triggered, this,
            Guarded(dialogs_, [this](bool) { UploadAllPagesClick(); }));
    on(ButtonHelp, &TFormMain::ButtonHelpClick);
    on(ButtonPurge, &TFormMain::ButtonPurgeClick);
    on(ButtonExit, &TFormMain::ButtonExitClick);
    on(ButtonPrev, &TFormMain::ButtonPrevClick);
    on(ButtonNext, &TFormMain::ButtonNextClick);
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
    auto* button = findChild<QPushButton*>(QString::fromStdString(name));
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
    GaugeUsage->setValue(0);
    GaugeUsage->setValue(context_.Entries.CountUsedEntries());
}

void TFormMain::RefreshNoteMarks()
{
    Calendar1->MarkNoteDates(context_.Entries);
}

void TFormMain::UpdateCommandStates()
{
    bool idle = !publishing_;
    for (QWidget* command : {ButtonWrite, ButtonPublish, ButtonCfg, ButtonExit})
        command->setEnabled(idle);
    cbSelectCalendar->setEnabled(idle && !calendarListHeld_);
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
    WriteCalendarPages(context_, WriterHooks());
}

void TFormMain::ButtonPublishClick()
{
    Publish(false);
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
    PublishOutcome outcome;
    {
        PublishRun run(*this, FromWindows1252(context_.Settings.FTPHOST));
        outcome = PublishCalendar(context_, request);
    }
    switch (outcome.Result) {
    case PublishResult::Sent:
    case PublishResult::NothingChanged:
    case PublishResult::SettingsIncomplete:
        dialogs_.ShowBox(BoxKind::Message, FromWindows1252(outcome.Message));
        break;
    case PublishResult::Busy:
    case PublishResult::Failed:
        dialogs_.ShowBox(BoxKind::Warning, FromWindows1252(outcome.Message), sessionLog.join('\n'));
        break;
    }
}

// The data folder's help pages when it has them, else the installed ones.
void TFormMain::ButtonHelpClick()
{
    dialogs_.OpenDocument(
        QFile::decodeName(HelpIndexPage(context_.DataFolder, ExecutableFolder()).c_str()));
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

// The calendar list switches when Enter is pressed in its edit, or when the edit is left
// with a name other than the one last switched to; not on every keystroke.
bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != cbSelectCalendar->lineEdit())
        return QWidget::eventFilter(watched, event);
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

void TFormMain::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (publishing_)
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
