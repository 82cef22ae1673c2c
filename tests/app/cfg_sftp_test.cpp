// The FTP group's SFTP controls: the protocol and the port that follows it, the host key
// fetched from a server (the scripted paramiko one) to confirm, and the key file.

#include "app/cfg_dialog_fixture.h"
#include "support/ssh_servers.h"

#include <QCheckBox>
#include <QLineEdit>

namespace mondeliar::app::testing {
namespace {

std::vector<std::string> KeysAfterTheClassicLines(const std::vector<std::string>& lines)
{
    return std::vector<std::string>(lines.begin() + std::min<std::size_t>(61, lines.size()),
                                    lines.end());
}

TEST_F(CfgDialogTest, TheProtocolMovesOnlyTheOtherProtocolsDefaultPort)
{
    struct Row {
        const char* typed;
        bool sftp;
        const char* shown;
    } rows[] = {{"22", false, "21"}, {"990", false, "990"}, {"21", true, "22"}, {"2222", true, "2222"}};
    Open();
    for (const Row& row : rows) {
        Click(row.sftp ? "rbFTP" : "rbSFTP");
        Type("EditFTPport", row.typed);
        Click(row.sftp ? "rbSFTP" : "rbFTP");
        EXPECT_EQ(Find<QLineEdit>("EditFTPport")->text(), row.shown) << row.typed;
    }
    EXPECT_FALSE(Find<QCheckBox>("cbFTPTLS")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("EditSFTPKeyFile")->isEnabled());
    PressOk();
    EXPECT_EQ(Value(SettingsLines(), "FTPPORT"), "2222");
    EXPECT_EQ(KeysAfterTheClassicLines(SettingsLines()), std::vector<std::string>{"SFTP=TRUE"});
    // Opening shows the stored port, even one that is the other protocol's default.
    Open();
    Click("rbFTP");
    Click("ButtonCancel");
    context.Settings.FTPPORT = "21";
    Open();
    EXPECT_TRUE(Find<QAbstractButton>("rbSFTP")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("EditFTPport")->text(), "21");
}

TEST_F(CfgDialogTest, FetchShowsTheServersHostKeyToConfirm)
{
    mondeliar::testing::ScriptedSftpServer server;
    ASSERT_GT(server.Port(), 0);
    const QString offered = QString::fromStdString(server.HostKeyFingerprint());
    dialogs.YesNoAnswers = {false, true};
    dialogs.FileAnswers = {QString("/home/k/.ssh/id_ed25519")};
    Open();
    Click("rbSFTP");
    Type("EditFTPhost", "127.0.0.1");
    Type("EditFTPport", QString::number(server.Port()));
    Click("ButtonFetchHostKey");
    EXPECT_EQ(Find<QLineEdit>("EditSFTPHostKey")->text(), "");
    Click("ButtonFetchHostKey");
    EXPECT_EQ(dialogs.Questions,
              QStringList(2, "The server's host key is " + offered + ". Trust it for this calendar?"));
    EXPECT_EQ(Find<QLineEdit>("EditSFTPHostKey")->text(), offered);
    Click("ButtonBrowseSFTPKeyFile");
    PressOk();
    EXPECT_EQ(KeysAfterTheClassicLines(SettingsLines()),
              (std::vector<std::string>{"SFTP=TRUE", "SFTPHOSTKEY=" + offered.toStdString(),
                                        "SFTPKEYFILE=/home/k/.ssh/id_ed25519"}));

    // Nobody listening: a warning, and the pinned key stays.
    Open();
    Type("EditFTPport", QString::number(mondeliar::testing::FreeLoopbackPort()));
    Click("ButtonFetchHostKey");
    ASSERT_FALSE(dialogs.Boxes.empty());
    EXPECT_EQ(dialogs.Boxes.back().Kind, BoxKind::Warning);
    EXPECT_TRUE(dialogs.Boxes.back().Text.startsWith("The host key could not be fetched: Cannot connect"))
        << dialogs.Boxes.back().Text.toStdString();
    EXPECT_EQ(Find<QLineEdit>("EditSFTPHostKey")->text(), offered);
}

}  // namespace
}  // namespace mondeliar::app::testing
