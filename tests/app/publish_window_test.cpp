// The Publish button against a real FTP server (pyftpdlib) on loopback: what arrives, what
// the user is told, and the state of the window while the upload runs.

#include "app/desktop_fixture.h"
#include "app/form_cfg.h"
#include "support/ftp_server_process.h"
#include "support/ssh_servers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <iostream>

namespace mondeliar::app::testing {
namespace {

const char* const Commands[]
    = {"ButtonWrite", "ButtonPublish", "ButtonCfg", "ButtonExit", "cbSelectCalendar"};
// While Publish runs, only its button (now Cancel) is enabled.
const std::vector<bool> StatesDuringRun = {false, true, false, false, false};

class PublishWindowTest : public DesktopTest {
protected:
    PublishWindowTest() { std::filesystem::create_directories(data / "site"); }

    void Configure(const std::string& password = "secret", const std::string& user = "tester",
                   const std::string& more = "")
    {
        ConfigureFor(server.Port(), "/", more, password, user);
    }
    // A publish of the pages to `port` on loopback, into `remoteDir`, with `more` settings lines.
    void ConfigureFor(int port, const std::string& remoteDir, const std::string& more,
                      const std::string& password = "secret", const std::string& user = "tester")
    {
        SetSettings("HTMLPATH=" + (data / "site/") + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT="
                    + std::to_string(port) + "\r\nFTPUSER=" + user + "\r\nFTPPASSWORD=" + password
                    + "\r\nFTPREMOTEDIR=" + remoteDir + "\r\n" + more);
    }

    // Whether each command is enabled, in the order of Commands.
    std::vector<bool> CommandStates()
    {
        std::vector<bool> states;
        for (const char* name : Commands)
            states.push_back(Control(Main(), name)->isEnabled());
        return states;
    }

    // While Publish runs (its waits keep the event loop going), a timer looks at the window
    // and tries to close it.
    void WatchThePublishRun()
    {
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            auto* publish = Control<QToolButton>(Main(), "ButtonPublish");
            if (publish->text() != "&Cancel")
                return;
            statesDuringRun = CommandStates();
            busyCursorSeen = busyCursorSeen || QApplication::overrideCursor() != nullptr;
            auto* progress = Control<QLabel>(Main(), "LabelProgress");
            if (progress->isVisible() && !progressSeen.contains(progress->text()))
                progressSeen << progress->text();
            Main().close();
        });
        watcher.start();
    }

    // Once the progress line reads `text`, Cancel is pressed (`how`: "click", "Escape" or
    // "Alt+C"), then pressed again while the cancel is under way.
    void CancelWhenProgressReads(const QString& text, const std::string& how)
    {
        presser.setInterval(10);
        QObject::connect(&presser, &QTimer::timeout, [this, text, how] {
            if (Control<QLabel>(Main(), "LabelProgress")->text() != text)
                return;
            presser.stop();
            sinceCancel.start();
            if (how == "click")
                Click(Main(), "ButtonPublish");
            else if (how == "Escape")
                QTest::keyClick(&Main(), Qt::Key_Escape);
            else
                QTest::keyClick(&Main(), Qt::Key_C, Qt::AltModifier);
            Click(Main(), "ButtonPublish");
            QTest::keyClick(&Main(), Qt::Key_Escape);
        });
        presser.start();
    }

    // The window is as before the publish, and Escape after the end does nothing.
    void ExpectTheWindowBackAfterOneBox()
    {
        EXPECT_EQ(CommandStates(), std::vector<bool>(std::size(Commands), true));
        EXPECT_EQ(Control<QToolButton>(Main(), "ButtonPublish")->text(), "&Publish");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Control(Main(), "LabelProgress")->isVisible());
        QTest::keyClick(&Main(), Qt::Key_Escape);
        EXPECT_EQ(dialogs.Boxes.size(), 1u);
    }

    mondeliar::testing::TempDir root;
    mondeliar::testing::FtpServerProcess server{root.Path()};
    QTimer presser;
    QElapsedTimer sinceCancel;
    QTimer watcher;
    std::vector<bool> statesDuringRun;
    bool busyCursorSeen = false;
    QStringList progressSeen;
};

TEST_F(PublishWindowTest, FourteenFilesArriveAndTheWindowIsBlockedMeanwhile)
{
    ASSERT_GT(server.Port(), 0);
    Configure();
    Start();
    WatchThePublishRun();
    Click(Main(), "ButtonPublish");
    watcher.stop();

    int arrived = 0;
    for ([[maybe_unused]] const auto& file : std::filesystem::directory_iterator(root.Path()))
        ++arrived;
    EXPECT_EQ(arrived, 14);
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::Message);
    EXPECT_EQ(dialogs.Boxes[0].Text, "Calendar files sent to 127.0.0.1");

    EXPECT_EQ(statesDuringRun, StatesDuringRun);
    EXPECT_TRUE(busyCursorSeen);
    EXPECT_TRUE(progressSeen.contains("Sending file 1 of 14: /calendar.html"))
        << progressSeen.join('|').toStdString();
    EXPECT_TRUE(progressSeen.contains("Sending file 14 of 14: /December.html"))
        << progressSeen.join('|').toStdString();
    EXPECT_EQ(terminations, 0) << "closing was refused during the run";
    EXPECT_TRUE(Main().isVisible());

    EXPECT_EQ(CommandStates(), std::vector<bool>(std::size(Commands), true));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(Control(Main(), "LabelProgress")->isVisible());
}

// With "Publish only changed pages", Publish skips what the server holds; the choice on the
// button's arrow sends every page all the same.
TEST_F(PublishWindowTest, UploadAllPagesFromThePublishButtonsMenu)
{
    ASSERT_GT(server.Port(), 0);
    Configure("secret", "tester", "FTPCHANGEDONLY=TRUE\r\nLASTUPDATE=FALSE\r\n");
    Start();
    Click(Main(), "ButtonPublish");
    Click(Main(), "ButtonPublish");
    // The choice is on the button's arrow, and on its right-click menu.
    auto* button = Control<QToolButton>(Main(), "ButtonPublish");
    EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(button->contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(button->actions().size(), 1);
    QAction* uploadAll = button->actions()[0];
    EXPECT_EQ(uploadAll->text(), "Upload &all pages");
    uploadAll->trigger();
    QStringList texts;
    for (const ShownBox& box : dialogs.Boxes)
        texts << box.Text;
    EXPECT_EQ(texts, (QStringList{"Calendar files sent to 127.0.0.1: 14 changed, 0 unchanged",
                                  "Calendar files sent to 127.0.0.1: 0 changed, 14 unchanged",
                                  "Calendar files sent to 127.0.0.1"}));
}

// The box says what went wrong and where, in plain words; the session log (the password
// masked) keeps the client's own texts.
TEST_F(PublishWindowTest, TheBoxSaysWhatWentWrongAndWhere)
{
    ASSERT_GT(server.Port(), 0);
    const std::string port = std::to_string(server.Port());
    const std::string closedPort = std::to_string(mondeliar::testing::FreeLoopbackPort());
    struct Row {
        std::string settings;
        std::string text;
        std::string logged;
    } rows[] = {
        {"FTPPORT=" + closedPort,
         "Could not connect to 127.0.0.1, port " + closedPort
             + ": the connection was refused. Nothing was sent.",
         "Winsock error #10061"},
        {"FTPPASSWORD=wrong",
         "The server 127.0.0.1 refused the log-on: 530 Authentication failed. Nothing was sent.",
         "> PASS ********"},
        {"FTPREMOTEDIR=/missing/",
         "The server 127.0.0.1 did not take /missing/calendar.html: 550 No such file or "
         "directory. Nothing was sent.",
         "550 No such file or directory"},
    };
    Start();
    for (const Row& row : rows) {
        std::filesystem::remove(data / "calendars/default calendar.cfg");
        Configure();
        SetSettings(row.settings + "\r\n");
        LoadCurrentCalendar(Context());
        dialogs.Boxes.clear();
        Click(Main(), "ButtonPublish");
        ASSERT_EQ(dialogs.Boxes.size(), 1u) << row.settings;
        const ShownBox& box = dialogs.Boxes[0];
        EXPECT_EQ(box.Kind, BoxKind::Warning);
        EXPECT_EQ(box.Text.toStdString(), row.text);
        EXPECT_TRUE(box.Details.contains(QString::fromStdString(row.logged)))
            << box.Details.toStdString();
        EXPECT_FALSE(box.Details.contains("wrong"));
        EXPECT_EQ(CommandStates(), std::vector<bool>(std::size(Commands), true));
    }
}

// The names of the files the sent record vouches for (stored into "/"), sorted.
std::vector<std::string> RecordedFiles(const std::string& recordPath)
{
    std::vector<std::string> names;
    for (const std::string& line :
         mondeliar::testing::SplitLines(mondeliar::testing::ReadFile(recordPath), "\r\n"))
        if (line.compare(0, 5, "FILE=") == 0)
            names.push_back(line.substr(line.find(" /") + 2));
    return mondeliar::testing::Sorted(names);
}

// Against a server that stops answering, Cancel (the button, Escape or its Alt+letter) ends
// the publish at once, without waiting for an answer to QUIT; a server that still answers
// gets QUIT. The box tells what was stored, and the sent record holds just that.
TEST_F(PublishWindowTest, CancelEndsAPublishThatHangs)
{
    const QString cancelled = "Publishing to 127.0.0.1 was cancelled. ";
    struct Row {
        const char* how;
        int storesBeforeStall;
        QString cancelAt;  // the progress line when Cancel is pressed
        QString text;      // empty: how far the upload came is left to chance
        bool quits;
    } rows[] = {
        {"click", 0, "Publishing to 127.0.0.1 ...", cancelled + "Nothing was sent.", false},
        {"Escape", 0, "Publishing to 127.0.0.1 ...", cancelled + "Nothing was sent.", false},
        {"Alt+C", 2, "Sending file 3 of 14: /January.html",
         cancelled + "2 of 14 files were stored: calendar.html, current.html.", false},
        {"click", 99, "Sending file 3 of 14: /January.html", "", true},
    };
    for (const Row& row : rows) {
        mondeliar::testing::TempDir remote;
        mondeliar::testing::ServerProcess stalling(
            {"/usr/bin/python3",
             std::string(MONDELIAR_SOURCE_DIR) + "/tests/app/stalling_ftp_server.py", remote.Path(),
             std::to_string(row.storesBeforeStall)});
        ASSERT_GT(stalling.Port(), 0);
        dialogs.Boxes.clear();
        std::filesystem::remove(data / "calendars/default calendar.cfg");
        ConfigureFor(stalling.Port(), "/", "FTPPASSIVE=TRUE\r\nFTPCHANGEDONLY=TRUE\r\n");
        if (!desktop)
            Start();
        LoadCurrentCalendar(Context());

        CancelWhenProgressReads(row.cancelAt, row.how);
        Click(Main(), "ButtonPublish");
        std::cout << "Cancel (" << row.how << ") answered in " << sinceCancel.elapsed() << " ms\n";
        presser.disconnect();

        ASSERT_EQ(dialogs.Boxes.size(), 1u) << row.how;
        const ShownBox& box = dialogs.Boxes[0];
        EXPECT_EQ(box.Kind, BoxKind::Message);
        if (!row.text.isEmpty()) {
            EXPECT_EQ(box.Text, row.text);
        }
        EXPECT_TRUE(box.Text.startsWith(cancelled)) << box.Text.toStdString();
        EXPECT_EQ(box.Details.contains("> QUIT"), row.quits) << box.Details.toStdString();
        EXPECT_EQ(RecordedFiles(data / "calendars/.default calendar.sent"),
                  mondeliar::testing::FilesIn(remote.Path()));
        ExpectTheWindowBackAfterOneBox();
    }
}

// Over SFTP the cancel shuts the SSH connection down, during the handshake or after it.
TEST_F(PublishWindowTest, CancelEndsAnSftpPublishThatHangs)
{
    mondeliar::testing::TempDir remote;
    const std::string remoteDir = remote.Path() + "/";
    struct Row {
        const char* option;
        QString cancelAt;
    } rows[] = {
        {"--silent", "Publishing to 127.0.0.1 ..."},
        {"--silent-after-logon", "Publishing to 127.0.0.1 ..."},
    };
    for (const Row& row : rows) {
        mondeliar::testing::ScriptedSftpServer sftp({row.option});
        ASSERT_GT(sftp.Port(), 0);
        dialogs.Boxes.clear();
        std::filesystem::remove(data / "calendars/default calendar.cfg");
        ConfigureFor(sftp.Port(), remoteDir,
                     "SFTP=TRUE\r\nSFTPHOSTKEY=" + sftp.HostKeyFingerprint() + "\r\n");
        if (!desktop)
            Start();
        LoadCurrentCalendar(Context());
        CancelWhenProgressReads(row.cancelAt, "Escape");
        Click(Main(), "ButtonPublish");
        std::cout << "Cancel (SFTP, " << row.option << ") answered in " << sinceCancel.elapsed()
                  << " ms\n";
        presser.disconnect();

        ASSERT_EQ(dialogs.Boxes.size(), 1u) << row.option;
        EXPECT_EQ(dialogs.Boxes[0].Text,
                  "Publishing to 127.0.0.1 (SFTP) was cancelled. Nothing was sent.");
        EXPECT_TRUE(std::filesystem::is_empty(remote.Path()));
        ExpectTheWindowBackAfterOneBox();
    }
}

TEST_F(PublishWindowTest, AnEmptyFtpSettingGivesOnlyItsMessageAndExitStillWorks)
{
    Configure("secret", "");
    Start();
    Click(Main(), "ButtonPublish");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::Message);
    EXPECT_EQ(dialogs.Boxes[0].Text, "FTP settings are not complete");
    EXPECT_TRUE(std::filesystem::is_empty(data / "site")) << "nothing is written";
    Click(Main(), "ButtonExit");
    EXPECT_EQ(terminations, 1);
}

TEST_F(PublishWindowTest, AWriteErrorOfWriteOrPublishIsTheStandardErrorReport)
{
    Configure();
    SetSettings("HTMLPATH=" + (data / "missing/") + "\r\n");
    Start();
    for (const char* button : {"ButtonWrite", "ButtonPublish"}) {
        dialogs.Boxes.clear();
        Click(Main(), button);
        ASSERT_EQ(dialogs.Boxes.size(), 1u) << button;
        EXPECT_EQ(dialogs.Boxes[0].Kind, BoxKind::ErrorReport);
        EXPECT_EQ(dialogs.Boxes[0].Text, "Invalid filename: missing/January.html.");
        EXPECT_EQ(CommandStates(), std::vector<bool>(std::size(Commands), true));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

// Over SFTP the window runs the same way, and asks about a host key it does not know: Yes
// pins the key in the calendar's settings and the publish goes on.
TEST_F(PublishWindowTest, OverSftpAnUnknownHostKeyIsAskedAboutAndPinned)
{
    mondeliar::testing::ScriptedSftpServer sftp;
    ASSERT_GT(sftp.Port(), 0);
    const std::string offered = sftp.HostKeyFingerprint();
    mondeliar::testing::TempDir remote;
    ConfigureFor(sftp.Port(), remote.Path(), "SFTP=TRUE\r\n");
    dialogs.YesNoAnswers = {true};
    Start();
    // Configure, open meanwhile and closed with Ok, keeps the key pinned under it.
    Click(Main(), "ButtonCfg");
    WatchThePublishRun();
    Click(Main(), "ButtonPublish");
    watcher.stop();
    Click(*desktop->FormCfg(), "ButtonOk");

    EXPECT_EQ(dialogs.Questions,
              QStringList{QString::fromStdString("The server's host key is " + offered
                                                 + ". Trust it for this calendar?")});
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, "Calendar files sent to 127.0.0.1 (SFTP)");
    EXPECT_NE(mondeliar::testing::ReadFile(data / "calendars/default calendar.cfg")
                  .find("\r\nSFTPHOSTKEY=" + offered + "\r\n"),
              std::string::npos);
    EXPECT_EQ(mondeliar::testing::FilesIn(remote.Path()).size(), 14u);
    EXPECT_EQ(statesDuringRun, StatesDuringRun);
    EXPECT_TRUE(busyCursorSeen);
    const QString last
        = "Sending file 14 of 14: " + QString::fromStdString(remote / "December.html");
    EXPECT_TRUE(progressSeen.contains(last)) << progressSeen.join('|').toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace mondeliar::app::testing
