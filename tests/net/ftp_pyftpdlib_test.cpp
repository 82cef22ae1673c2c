// The FTP client against a real server (pyftpdlib on loopback): log on,
// uploads in both modes compared byte for byte, refusals, downloads back.

#include "net/ftp_client.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mondeliar::net {
namespace {

using namespace testing;

class RealFtp : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Running()) << "pyftpdlib did not start";
        Aim(client, server);
        client.OnDisplay = [this](const std::string& line) { log.push_back(line); };
    }
    void TearDown() override
    {
        if (client.Connected())
            client.QuitSession();
    }
    std::vector<std::string> Commands() const { return SentVerbs(log); }
    bool LoggedPrefix(const std::string& prefix) const { return CountPrefix(log, prefix) > 0; }
    std::string Upload(const std::string& name, const std::string& bytes)
    {
        WriteFile(local / name, bytes);
        client.SetLocalFileName(local / name);
        client.SetHostFileName("/" + name);
        return client.StoreFile() ? std::string() : "store failed: " + client.ErrorMessage();
    }

    PyFtpServer server;
    TempDir local;
    TFtpClient client;
    std::vector<std::string> log;
};

TEST_F(RealFtp, StoresFilesOfEverySizeInActiveAndPassiveMode)
{
    ASSERT_TRUE(client.OpenSession()) << client.ErrorMessage();
    ASSERT_TRUE(client.TypeBinary()) << client.ErrorMessage();
    const size_t sizes[] = {0, 1460, 1461, 5u << 20};
    for (bool passive : {false, true}) {
        client.SetUsePasv(passive);
        for (size_t size : sizes) {
            const std::string name
                = (passive ? "passive-" : "active-") + std::to_string(size) + ".bin";
            SCOPED_TRACE(name);
            const std::string bytes = PatternBytes(size);
            ASSERT_EQ(Upload(name, bytes), "");
            EXPECT_EQ(client.ByteCount(), static_cast<long long>(size));
            EXPECT_TRUE(ReadFile(server.Root() + "/" + name) == bytes);
        }
    }
    EXPECT_TRUE(client.QuitSession());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.State(), FtpSessionState::fstReady);
}

TEST_F(RealFtp, PublishRoadWithoutTypeStoresInAsciiMode)
{
    ASSERT_TRUE(client.OpenSession()) << client.ErrorMessage();
    ASSERT_EQ(Upload("calendar.html", "<html>\r\n</html>\r\n"), "");
    ASSERT_EQ(Upload("current.html", "now\r\n"), "");
    EXPECT_TRUE(client.QuitSession());
    EXPECT_EQ(ReadFile(server.Root() + "/calendar.html"), "<html>\n</html>\n");
    EXPECT_EQ(Commands(),
              (std::vector<std::string>{"USER", "PASS", "PORT", "STOR", "PORT", "STOR", "QUIT"}));
    EXPECT_TRUE(LoggedPrefix("< 220 "));
    EXPECT_TRUE(LoggedPrefix("< 226 ") || LoggedPrefix("< 250 "));
    EXPECT_TRUE(LoggedPrefix("< 221 "));
}

TEST_F(RealFtp, RefusedPasswordKeepsTheSessionConnected)
{
    client.SetPassWord("wrong");
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ReplyCode(), 530);
    EXPECT_EQ(client.ErrorMessage().rfind("530 ", 0), 0u) << client.ErrorMessage();
    EXPECT_TRUE(client.Connected());
    EXPECT_NE(Upload("x.html", "x"), "");  // PORT refused before log-on
    EXPECT_EQ(client.ReplyCode(), 530);
    EXPECT_TRUE(client.QuitSession());
    EXPECT_FALSE(client.Connected());
}

TEST_F(RealFtp, ForbiddenStoreThenAGoodStore)
{
    ASSERT_TRUE(client.OpenSession());
    WriteFile(local / "a.html", "a");
    client.SetLocalFileName(local / "a.html");
    client.SetHostFileName("/no/such/folder/a.html");
    EXPECT_FALSE(client.StoreFile());
    EXPECT_EQ(client.ErrorMessage().rfind("550 ", 0), 0u) << client.ErrorMessage();
    EXPECT_EQ(Upload("a.html", "a"), "");
    EXPECT_EQ(ReadFile(server.Root() + "/a.html"), "a");
}

TEST_F(RealFtp, DownloadsAndListingsComeBack)
{
    ASSERT_TRUE(client.OpenSession());
    ASSERT_TRUE(client.TypeBinary());
    const std::string bytes = PatternBytes(300000);
    ASSERT_EQ(Upload("data.bin", bytes), "");
    for (bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        client.SetUsePasv(passive);
        client.SetHostFileName("/data.bin");
        client.SetLocalFileName(local / "back.bin");
        ASSERT_TRUE(client.Get()) << client.ErrorMessage();
        EXPECT_TRUE(ReadFile(local / "back.bin") == bytes);

        std::string listing;
        client.SetDisplayFileFlag(true);
        client.OnDisplayFile = [&](const std::string& text) { listing += text; };
        client.SetHostFileName("");
        ASSERT_TRUE(client.Dir()) << client.ErrorMessage();
        EXPECT_NE(listing.find("data.bin"), std::string::npos) << listing;
        EXPECT_NE(listing.find("300000"), std::string::npos) << listing;
        listing.clear();
        ASSERT_TRUE(client.Ls()) << client.ErrorMessage();
        EXPECT_NE(listing.find("data.bin\r\n"), std::string::npos) << listing;
        client.SetDisplayFileFlag(false);
    }
    client.SetHostFileName("/data.bin");
    ASSERT_TRUE(client.Size());
    EXPECT_EQ(client.SizeResult(), 300000);
    client.SetHostFileName("sub");
    ASSERT_TRUE(client.Mkd());
    EXPECT_EQ(client.DirResult(), "/sub");
    client.SetHostDirName("sub");
    ASSERT_TRUE(client.Cwd());
    ASSERT_TRUE(client.Pwd());
    EXPECT_EQ(client.DirResult(), "/sub");
    client.SetHostFileName("/missing.bin");
    client.SetLocalFileName(local / "missing.bin");
    EXPECT_FALSE(client.Get());
    EXPECT_EQ(client.ErrorMessage().rfind("550 ", 0), 0u) << client.ErrorMessage();
}

TEST_F(RealFtp, AbortedUploadIsAFailureAndTheSessionGoesOn)
{
    ASSERT_TRUE(client.OpenSession());
    ASSERT_TRUE(client.TypeBinary());
    int chunks = 0;
    client.OnProgress = [&](long long, bool& abort) { abort = ++chunks == 3; };
    EXPECT_NE(Upload("cut.bin", PatternBytes(100000)), "");
    EXPECT_EQ(client.ErrorMessage(), "426 Abort requested");
    EXPECT_TRUE(std::find(log.begin(), log.end(), "! Abort requested") != log.end());
    client.OnProgress = nullptr;
    EXPECT_EQ(Upload("whole.bin", "whole"), "");
    EXPECT_EQ(ReadFile(server.Root() + "/whole.bin"), "whole");
}

}  // namespace
}  // namespace mondeliar::net
