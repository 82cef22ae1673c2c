#include "app/cfg_output_tab.h"

#include "app/cfg_widgets.h"
#include "app/date_picker.h"
#include "app/handler_guard.h"
#include "app/radio_group.h"
#include "app/settings_binder.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "base/program.h"
#include "publish/sftp_uploader.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace mondeliar::app {

namespace {

constexpr int SelectedMonth = 2;  // the "Selected month" item of rgStartyear
const char* const FtpPort = "21";
const char* const SftpPort = "22";
const char* const KeyFileFilter = "All files (*)";

// The controls with the labels that name them.
std::vector<QWidget*> WithLabels(QWidget* group, std::vector<QWidget*> controls)
{
    for (QLabel* label : group->findChildren<QLabel*>())
        if (std::find(controls.begin(), controls.end(), label->buddy()) != controls.end())
            controls.push_back(label);
    return controls;
}

// The busy cursor and a disabled button while a command waits for a server.
class BusyWhile {
public:
    explicit BusyWhile(QWidget* button) : button_(button)
    {
        button_->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyWhile()
    {
        QApplication::restoreOverrideCursor();
        button_->setEnabled(true);
    }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    QWidget* button_;
};

RadioGroup* NamedGroup(const char* name, const QString& title, const QStringList& items,
                       int columns, QWidget* parent, const QString& hint = {})
{
    auto* group = new RadioGroup(title, items, columns, parent);
    group->setObjectName(name);
    group->setToolTip(hint);
    return group;
}

}  // namespace

CfgOutputTab::CfgOutputTab(SettingsBinder& binder, UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs)
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(BuildPagesColumn(binder), 1);
    layout->addWidget(BuildFtpColumn(binder), 1);
}

QWidget* CfgOutputTab::BuildPagesColumn(SettingsBinder& binder)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    EditPath = NamedEdit("EditPath", column);
    EditPath->setToolTip("You must enter a FULL path");
    auto* browse = NamedChooserButton("ButtonBrowseHTMLOutput", column);
    AddLabelledWithButton(layout, "Full path for HTML output. (128 characters maximum)", EditPath,
                          browse);

    rgStartyear = NamedGroup("rgStartyear", "Start year with",
                             {"January", "Current month", "Selected month"}, 1, column,
                             "The calendar will start with the selected option");
    auto* rgHTMLfilename = NamedGroup("rgHTMLfilename", "HTML output file names",
                                      {"Selected language", "English", "Month number"}, 1, column);
    auto* pair = new QHBoxLayout;
    pair->addWidget(rgStartyear);
    pair->addWidget(rgHTMLfilename);
    layout->addLayout(pair);

    rgFilenameExtension
        = NamedGroup("rgFilenameExtension", "File extension", {".htm", ".html"}, 1, column);
    LabelSelectStart = new QLabel("Selected start date", column);
    LabelSelectStart->setObjectName("LabelSelectStart");
    DateTimePickerSelectStart = new DatePicker(column);
    DateTimePickerSelectStart->setObjectName("DateTimePickerSelectStart");
    DateTimePickerSelectStart->setToolTip(
        "Select the month and year with which to start the calendar output");
    LabelSelectStart->setBuddy(DateTimePickerSelectStart);
    auto* start = new QVBoxLayout;
    start->addWidget(LabelSelectStart);
    start->addWidget(DateTimePickerSelectStart);
    start->addStretch();
    pair = new QHBoxLayout;
    pair->addWidget(rgFilenameExtension);
    pair->addLayout(start);
    layout->addLayout(pair);

    auto* rgStartweek
        = NamedGroup("rgStartweek", "Start week with",
                     {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
                     3, column, "First day of the week in the pages and the month grid");
    layout->addWidget(rgStartweek);

    auto* rgPageStyle = NamedGroup(
        "rgPageStyle", "Page style", {"Classic", "Modern"}, 2, column,
        "Classic: the pages as always. Modern: HTML5 pages that read well on a phone, in a "
        "screen reader and on paper");
    layout->addWidget(rgPageStyle);

    auto* cbAddYear = NamedCheck("cbAddYear", "Add year to filename", column);
    cbAddYear->setEnabled(false);
    cbAddYear->setVisible(false);
    QString makerHost = QUrl(QString(MakerWebAddress)).host();
    auto* cbAllowLink = NamedCheck("cbAllowLink", "Allow link to " + makerHost, column);
    layout->addWidget(cbAllowLink);
    layout->addStretch();

    using S = CalendarSettings;
    binder.Bind(EditPath, &S::HTMLPATH, 128);
    binder.Bind(rgStartyear, &S::STARTYEAR);
    binder.Bind(rgHTMLfilename, &S::HTMLFILENAME);
    binder.Bind(rgStartweek, &S::STARTWEEK);
    binder.Bind(rgPageStyle, &S::PAGESTYLE);
    binder.Bind(cbAddYear, &S::ADDYEAR);
    binder.Bind(cbAllowLink, &S::ALLOWLINK);

    connect(browse, &QToolButton::clicked, this,
            Guarded(dialogs_, [this](auto&&...) { ButtonBrowseHTMLOutputClick(); }));
    connect(rgStartyear->Buttons(), &QButtonGroup::idToggled, this,
            Guarded(dialogs_, [this](auto&&...) { rgStartyearClick(); }));
    return column;
}

QWidget* CfgOutputTab::BuildFtpColumn(SettingsBinder& binder)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* gbFTP = new QGroupBox("FTP", column);
    gbFTP->setObjectName("gbFTP");
    auto* ftp = new QVBoxLayout(gbFTP);
    AddProtocolRow(ftp, gbFTP);
    auto* user = NamedEdit("EditFTPUsername", gbFTP);
    auto* host = NamedEdit("EditFTPhost", gbFTP);
    auto* port = NamedEdit("EditFTPport", gbFTP);
    port->setText("21");
    EditFTPhost = host;
    EditFTPport = port;
    auto* password = NamedEdit("EditFTPPassword", gbFTP);
    password->setEchoMode(QLineEdit::Password);
    auto* remote = NamedEdit("EditFTPpath", gbFTP);
    AddLabelled(ftp, "Host user name", user);
    AddLabelled(ftp, "Host name or IP address", host);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(port);
    portRow->addStretch(2);
    ftp->addWidget(new QLabel("Port", gbFTP));
    ftp->addLayout(portRow);
    AddLabelled(ftp, "Host password", password);
    AddLabelled(ftp, "Remote upload path (128 characters maximum)", remote);
    auto* passive = NamedCheck("cbFTPPassive", "Passive mode", gbFTP,
                               "The server opens the data connections (PASV)");
    auto* tls = NamedCheck("cbFTPTLS", "Use TLS (FTPS)", gbFTP,
                           "Encrypt the session and the transfers (AUTH TLS)");
    auto* fingerprint = NamedEdit("EditFTPTLSFingerprint", gbFTP);
    fingerprint->setToolTip("SHA-256 fingerprint of a server certificate to accept, in hex");
    ftp->addWidget(passive);
    ftp->addWidget(tls);
    AddLabelled(ftp, "Server certificate fingerprint", fingerprint);
    ftpOnly_ = WithLabels(gbFTP, {passive, tls, fingerprint});
    AddSftpRows(ftp, gbFTP, binder);
    layout->addWidget(gbFTP);

    auto* gbPublishing = new QGroupBox("Publishing", column);
    gbPublishing->setObjectName("gbPublishing");
    auto* publishing = new QVBoxLayout(gbPublishing);
    auto* changedOnly = NamedCheck("cbFTPChangedOnly", "Publish only changed pages", gbPublishing);
    auto* atomic
        = NamedCheck("cbFTPAtomic", "Replace pages atomically on the server", gbPublishing,
                     "Upload each page under a temporary name, then rename it over the old one");
    auto* feed = NamedCheck("cbICSFeed", "Write an iCalendar feed (calendar.ics)", gbPublishing);
    publishing->addWidget(changedOnly);
    publishing->addWidget(atomic);
    publishing->addWidget(feed);
    layout->addWidget(gbPublishing);
    layout->addStretch();

    using S = CalendarSettings;
    binder.Bind(user, &S::FTPUSER, 128);
    binder.Bind(host, &S::FTPHOST, 128);
    binder.Bind(port, &S::FTPPORT, 5);
    binder.Bind(password, &S::FTPPASSWORD, 128);
    binder.Bind(remote, &S::FTPREMOTEDIR, 128);
    binder.Bind(passive, &S::FTPPASSIVE);
    binder.Bind(tls, &S::FTPTLS);
    binder.Bind(fingerprint, &S::FTPTLSFINGERPRINT, 128);
    binder.Bind(changedOnly, &S::FTPCHANGEDONLY);
    binder.Bind(atomic, &S::FTPATOMIC);
    binder.Bind(feed, &S::ICSFEED);
    return column;
}

// "Protocol: FTP / SFTP". Switching moves the port between the two defaults, 21 and 22,
// when it holds the other one's.
void CfgOutputTab::AddProtocolRow(QVBoxLayout* ftp, QWidget* group)
{
    rbFTP = new QRadioButton("FTP", group);
    rbFTP->setObjectName("rbFTP");
    rbFTP->setChecked(true);
    rbSFTP = new QRadioButton("SFTP", group);
    rbSFTP->setObjectName("rbSFTP");
    rbSFTP->setToolTip("Publish over SSH (SFTP) instead of FTP");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Protocol:", group));
    row->addWidget(rbFTP);
    row->addWidget(rbSFTP);
    row->addStretch();
    ftp->addLayout(row);
    connect(rbSFTP, &QRadioButton::toggled, this,
            Guarded(dialogs_, [this](bool sftp) { rbSFTPClick(sftp); }));
}

void CfgOutputTab::AddSftpRows(QVBoxLayout* ftp, QWidget* group, SettingsBinder& binder)
{
    EditSFTPHostKey = NamedEdit("EditSFTPHostKey", group);
    EditSFTPHostKey->setToolTip("The SSH server's host key as SHA256:..., as ssh-keygen -l shows it");
    auto* fetch = NamedButton("ButtonFetchHostKey", "Fetch", group,
                              "Fetch the server's host key and show it to confirm");
    auto* keyFile = NamedEdit("EditSFTPKeyFile", group);
    keyFile->setToolTip("A private key without passphrase, for example ~/.ssh/id_ed25519; when "
                        "empty, the SSH agent and the keys in ~/.ssh are tried");
    auto* browse = NamedChooserButton("ButtonBrowseSFTPKeyFile", group);
    AddLabelledWithButton(ftp, "SSH host key fingerprint", EditSFTPHostKey, fetch);
    AddLabelledWithButton(ftp, "SSH private key file", keyFile, browse);
    sftpOnly_ = WithLabels(group, {EditSFTPHostKey, fetch, keyFile, browse});
    binder.Bind(EditSFTPHostKey, &CalendarSettings::SFTPHOSTKEY, 128);
    binder.Bind(keyFile, &CalendarSettings::SFTPKEYFILE, 255);
    connect(fetch, &QPushButton::clicked, this,
            Guarded(dialogs_, [this, fetch](bool) { ButtonFetchHostKeyClick(fetch); }));
    connect(browse, &QToolButton::clicked, this, Guarded(dialogs_, [this, keyFile](bool) {
                if (std::optional<QString> file = dialogs_.ChooseOpenFile(KeyFileFilter))
                    keyFile->setText(*file);
            }));
}

void CfgOutputTab::rbSFTPClick(bool sftp)
{
    if (EditFTPport->text() == (sftp ? FtpPort : SftpPort))
        EditFTPport->setText(sftp ? SftpPort : FtpPort);
    ShowProtocolControls();
}

void CfgOutputTab::ShowProtocolControls()
{
    const bool sftp = rbSFTP->isChecked();
    for (QWidget* control : ftpOnly_)
        control->setEnabled(!sftp);
    for (QWidget* control : sftpOnly_)
        control->setEnabled(sftp);
}

// The server is asked for its key off the window's thread; the user confirms what it sent.
void CfgOutputTab::ButtonFetchHostKeyClick(QPushButton* fetch)
{
    HostKeyFetch fetched;
    {
        BusyWhile busy(fetch);
        fetched = FetchHostKey(ToWindows1252(EditFTPhost->text().trimmed()),
                               ToWindows1252(EditFTPport->text().trimmed()));
    }
    if (fetched.Fingerprint.empty()) {
        dialogs_.ShowBox(BoxKind::Warning,
                         FromWindows1252("The host key could not be fetched: " + fetched.Error));
        return;
    }
    if (dialogs_.AskYesNo(FromWindows1252(HostKeyQuestion(fetched.Fingerprint)))) {
        EditSFTPHostKey->setText(FromWindows1252(fetched.Fingerprint));
        EditSFTPHostKey->setCursorPosition(0);
    }
}

void CfgOutputTab::Fill(const CalendarSettings& settings)
{
    {
        // The stored port is shown as it is.
        QSignalBlocker quiet(rbSFTP);
        (settings.SFTP ? rbSFTP : rbFTP)->setChecked(true);
    }
    ShowProtocolControls();
    EditSFTPHostKey->setCursorPosition(0);  // "SHA256:" in sight
    rgFilenameExtension->SetIndex(settings.FILEEXTENSION == ".htm" ? 0 : 1);
    DateTimePickerSelectStart->SetStoredDate(settings.SELECTEDSTARTYEAR,
                                             settings.SELECTEDSTARTMONTH, 1);
    rgStartyearClick();
}

void CfgOutputTab::Store(CalendarSettings& settings) const
{
    settings.SFTP = rbSFTP->isChecked();
    Date start = DateTimePickerSelectStart->StoredDate();
    settings.SELECTEDSTARTYEAR = static_cast<std::uint16_t>(start.Year);
    settings.SELECTEDSTARTMONTH = static_cast<std::uint16_t>(start.Month);
    settings.FILEEXTENSION = rgFilenameExtension->Index() == 0 ? ".htm" : ".html";
    std::string& remote = settings.FTPREMOTEDIR;
    if (remote.empty() || remote.back() != '/')
        remote = (remote + "/").substr(0, 128);
}

void CfgOutputTab::ButtonBrowseHTMLOutputClick()
{
    if (std::optional<QString> folder = dialogs_.ChooseFolder(QDir::homePath()))
        EditPath->setText(*folder);
}

void CfgOutputTab::rgStartyearClick()
{
    bool selected = rgStartyear->Index() == SelectedMonth;
    LabelSelectStart->setEnabled(selected);
    DateTimePickerSelectStart->setEnabled(selected);
}

}  // namespace mondeliar::app
