// The Publish button against a real FTP server (pyftpdlib) on loopback: what arrives, what
// the user is told, and the state of the window while the upload runs.

#include "app/desktop_fixture.h"
#include "support/ftp_server_process.h"
#include "support/ssh_servers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

namespace mondeliar::app::testing {
namespace {

const char* const Commands[]
    = {"ButtonWrite", "ButtonPublish", "ButtonCfg", "ButtonExit", "cbSelectCalendar"};

class PublishWindowTest : public DesktopTest {
protected:
    PublishWindowTest() { std::filesystem::create_directories(data / "site"); }

    void Configure(const std::string& password = "secret", const std::string& user = "tester",
                   const std::string& more = "")
    {
        SetSettings("HTMLPATH=" + (data / "site/") + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT="
                    + std::to_string(server.Port()) + "\r\nFTPUSER=" + user
                    + "\r\nFTPPASSWORD=" + password + "\r\nFTPREMOTEDIR=/\r\n" + more);
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
            if (Control(Main(), "ButtonPublish")->isEnabled())
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

    mondeliar::testing::TempDir root;
    mondeliar::testing::FtpServerProcess server{root.Path()};
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

    EXPECT_EQ(statesDuringRun, std::vector<bool>(std::size(Commands), false));
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

// With "Publish only changed pages", Publish skips what the server holds; the button's
// menu sends every page all the same.
TEST_F(PublishWindowTest, UploadAllPagesFromThePublishButtonsMenu)
{
    ASSERT_GT(server.Port(), 0);
    Configure("secret", "tester", "FTPCHANGEDONLY=TRUE\r\nLASTUPDATE=FALSE\r\n");
    Start();
    Click(Main(), "ButtonPublish");
    Click(Main(), "ButtonPublish");
    auto* button = Control(Main(), "ButtonPublish");
    EXPECT_EQ(button->contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(button->actions().size(), 1);
    QAction* uploadAll = button->actions()[0];
    EXPECT_EQ(uploadAll->text(), "Upload all pages");
    uploadAll->trigger();
    QStringList texts;
    for (const ShownBox& box : dialogs.Boxes)
        texts << box.Text;
    EXPECT_EQ(texts, (QStringList{"Calendar files sent to 127.0.0.1: 14 changed, 0 unchanged",
                                  "Calendar files sent to 127.0.0.1: 0 changed, 14 unchanged",
                                  "Calendar files sent to 127.0.0.1"}));
}

TEST_F(PublishWindowTest, ARefusedPasswordIsReportedWithTheMaskedSessionLog)
{
    ASSERT_GT(server.Port(), 0);
    Configure("wrong");
    Start();
    Click(Main(), "ButtonPublish");
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    const ShownBox& box = dialogs.Boxes[0];
    EXPECT_EQ(box.Kind, BoxKind::Warning);
    EXPECT_TRUE(box.Text.startsWith("Calendar files not sent to 127.0.0.1: 0 of 14 files stored."))
        << box.Text.toStdString();
    EXPECT_TRUE(box.Text.contains("First failure: 530")) << box.Text.toStdString();
    EXPECT_TRUE(box.Details.contains("> PASS ********")) << box.Details.toStdString();
    EXPECT_FALSE(box.Details.contains("wrong"));
    EXPECT_EQ(CommandStates(), std::vector<bool>(std::size(Commands), true));
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
        EXPECT_EQ(dialogs.Boxes[0].Text, "Invalid filename.");
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
    SetSettings("HTMLPATH=" + (data / "site/") + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT="
                + std::to_string(sftp.Port()) + "\r\nFTPUSER=tester\r\nFTPPASSWORD=secret\r\n"
                + "FTPREMOTEDIR=" + remote.Path() + "\r\nSFTP=TRUE\r\n");
    dialogs.YesNoAnswers = {true};
    Start();
    WatchThePublishRun();
    Click(Main(), "ButtonPublish");
    watcher.stop();

    EXPECT_EQ(dialogs.Questions, QStringList{QString::fromStdString(
                                     "The server's host key is " + offered
                                     + ". Trust it for this calendar?")});
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, "Calendar files sent to 127.0.0.1 (SFTP)");
    EXPECT_NE(mondeliar::testing::ReadFile(data / "calendars/default calendar.cfg")
                  .find("\r\nSFTPHOSTKEY=" + offered + "\r\n"),
              std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(remote.Path()),
                            std::filesystem::directory_iterator()),
              14);
    EXPECT_EQ(statesDuringRun, std::vector<bool>(std::size(Commands), false));
    EXPECT_TRUE(busyCursorSeen);
    const QString last = "Sending file 14 of 14: " + QString::fromStdString(remote / "December.html");
    EXPECT_TRUE(progressSeen.contains(last)) << progressSeen.join('|').toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace mondeliar::app::testing
