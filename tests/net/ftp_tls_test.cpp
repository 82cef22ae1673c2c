// Explicit FTP over TLS against pyftpdlib's TLS handler on loopback: uploads and downloads
// over TLS in both modes with the session resumed, the certificate checks (system trust and
// host name, or the fingerprint the user gave), and sessions that must end before USER.

#include "net/ftp_client.h"
#include "support/tls_certificates.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace mondeliar::net {
namespace {

using namespace testing;
using mondeliar::testing::TestCertificate;
using mondeliar::testing::TestCertificates;

class TlsFtp : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestCertificates::Get().Ready()) << "the openssl command failed";
        // The test CA stands in for the system's trusted certificates.
        ::setenv("SSL_CERT_FILE", TestCertificates::Get().CaFile().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    void Configure(TFtpClient& client, const PyFtpServer& server)
    {
        client.SetHostName("127.0.0.1");
        client.SetPort(std::to_string(server.Port()));
        client.SetUserName("tester");
        client.SetPassWord("secret");
        client.SetTimeout(10);
        client.SetUseTls(true);
        client.OnDisplay = [this](const std::string& line) { log.push_back(line); };
    }
    // The verbs of the commands sent, in order.
    std::vector<std::string> Verbs() const
    {
        std::vector<std::string> verbs;
        for (const std::string& line : log)
            if (line.rfind("> ", 0) == 0)
                verbs.push_back(line.substr(2, line.find(' ', 2) - 2));
        return verbs;
    }
    std::string Log() const
    {
        std::string text;
        for (const std::string& line : log)
            text += "\n" + line;
        return text;
    }
    bool Sent(const std::string& verb) const
    {
        const std::vector<std::string> verbs = Verbs();
        return std::find(verbs.begin(), verbs.end(), verb) != verbs.end();
    }

    TempDir local;
    std::vector<std::string> log;
};

TEST_F(TlsFtp, StoresAndFetchesOverTlsInBothModesResumingTheSession)
{
    const TestCertificate cert = TestCertificates::Get().SignedForLoopback();
    PyFtpServer server(cert.CertFile, cert.KeyFile);
    ASSERT_TRUE(server.Running());
    TFtpClient client;
    Configure(client, server);

    ASSERT_TRUE(client.OpenSession()) << client.ErrorMessage();
    EXPECT_EQ(Verbs(), (std::vector<std::string>{"AUTH", "USER", "PASS", "PBSZ", "PROT"}));
    EXPECT_TRUE(client.ControlConnection().TlsEstablished());
    ASSERT_TRUE(client.TypeBinary()) << client.ErrorMessage();
    for (bool passive : {false, true}) {
        client.SetUsePasv(passive);
        for (size_t size : {size_t{0}, size_t{1460}, size_t{70000}, size_t{3} << 20}) {
            const std::string name = (passive ? "passive-" : "active-") + std::to_string(size);
            SCOPED_TRACE(name);
            const std::string bytes = PatternBytes(size);
            WriteFile(local.File(name), bytes);
            client.SetLocalFileName(local.File(name));
            client.SetHostFileName("/" + name);
            ASSERT_TRUE(client.StoreFile()) << client.ErrorMessage() << Log();
            EXPECT_TRUE(ReadFile(server.Root() + "/" + name) == bytes);
            EXPECT_TRUE(client.DataConnection().TlsSessionReused());
        }
        client.SetHostFileName(std::string("/") + (passive ? "passive-" : "active-") + "3145728");
        client.SetLocalFileName(local.File("back"));
        ASSERT_TRUE(client.Get()) << client.ErrorMessage();
        EXPECT_TRUE(ReadFile(local.File("back")) == PatternBytes(3u << 20));
        EXPECT_TRUE(client.DataConnection().TlsSessionReused());
    }
    EXPECT_TRUE(client.QuitSession());
    EXPECT_FALSE(client.Connected());
}

// Each row: the server's certificate, the fingerprint the user gave, and what happens.
TEST_F(TlsFtp, TheCertificateCheckDecidesBeforeUser)
{
    const TestCertificates& certificates = TestCertificates::Get();
    const TestCertificate self = certificates.SelfSigned();
    const TestCertificate other = certificates.SignedForOtherHost();
    std::string lower_blanks = self.Fingerprint;
    std::replace(lower_blanks.begin(), lower_blanks.end(), ':', ' ');
    std::transform(lower_blanks.begin(), lower_blanks.end(), lower_blanks.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string wrong = other.Fingerprint;
    const struct {
        const char* name;
        TestCertificate cert;
        std::string fingerprint;
        std::string failure;  // "" for success
    } rows[] = {
        {"self-signed, no fingerprint", self, "", "self-signed certificate"},
        {"self-signed, wrong fingerprint", self, wrong,
         "not the certificate whose fingerprint is set for this server"},
        {"self-signed, its fingerprint in lower case with blanks", self, lower_blanks, ""},
        {"another host's certificate, no fingerprint", other, "", "IP address mismatch"},
        {"another host's certificate, its fingerprint", other, other.Fingerprint, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        PyFtpServer server(row.cert.CertFile, row.cert.KeyFile);
        ASSERT_TRUE(server.Running());
        log.clear();
        TFtpClient client;
        Configure(client, server);
        client.SetTlsFingerprint(row.fingerprint);
        const bool opened = client.OpenSession();
        EXPECT_EQ(opened, row.failure.empty()) << client.ErrorMessage();
        if (row.failure.empty()) {
            EXPECT_EQ(client.DataConnection().State(), wsClosed);
            EXPECT_TRUE(client.QuitSession());
            continue;
        }
        EXPECT_FALSE(Sent("USER")) << "nothing goes out after a failed check";
        EXPECT_FALSE(client.Connected());
        const std::string& message = client.ErrorMessage();
        EXPECT_EQ(
            message.rfind("500 TLS certificate check failed for 127.0.0.1: " + row.failure, 0), 0u)
            << message;
        const std::string offered
            = "; the server's certificate has the SHA-256 fingerprint " + row.cert.Fingerprint;
        EXPECT_EQ(message.substr(message.size() - std::min(message.size(), offered.size())),
                  offered);
    }
}

TEST_F(TlsFtp, AServerWithoutTlsGetsNoUser)
{
    PyFtpServer plain;
    ASSERT_TRUE(plain.Running());
    TFtpClient client;
    Configure(client, plain);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(Verbs(), std::vector<std::string>{"AUTH"});
    EXPECT_NE(client.ErrorMessage().find("the server refused AUTH TLS"), std::string::npos)
        << client.ErrorMessage();
    EXPECT_FALSE(client.Connected());
}

// A server that accepts AUTH TLS and then goes on in clear: the plain text after the 234 is
// never taken for a reply, and the handshake fails on the text that answers the ClientHello.
// What the client sends after the 234 is read as raw bytes (a ClientHello may hold a CR LF).
TEST_F(TlsFtp, AFailedHandshakeEndsTheSessionBeforeUser)
{
    std::string after_234;
    ScriptedFtpServer server([&](ScriptedSession& s) {
        s.Reply("220 ready\r\n");
        s.ReadCommand();
        s.Reply("234 go ahead\r\n230 injected\r\n");
        after_234 = s.ReadBytes();  // the handshake has begun
        s.Reply("331 not TLS at all\r\n");
        after_234 += s.ReadUntilClosed();
    });
    TFtpClient client;
    client.SetHostName("127.0.0.1");
    client.SetPort(std::to_string(server.Port()));
    client.SetUserName("u");
    client.SetPassWord("p");
    client.SetTimeout(5);
    client.SetUseTls(true);
    EXPECT_FALSE(client.OpenSession());
    EXPECT_EQ(client.ErrorMessage().rfind("500 TLS handshake failed: ", 0), 0u)
        << client.ErrorMessage();
    EXPECT_FALSE(client.Connected());
    ASSERT_TRUE(server.Finish());
    EXPECT_EQ(server.Commands(), std::vector<std::string>{"AUTH TLS"});
    ASSERT_FALSE(after_234.empty());
    EXPECT_EQ(after_234[0], '\x16') << "a TLS handshake record comes first";
    for (const char* command : {"USER u\r\n", "PASS p\r\n"})
        EXPECT_EQ(after_234.find(command), std::string::npos) << command;
}

TEST_F(TlsFtp, AMalformedFingerprintIsRefusedBeforeConnecting)
{
    TFtpClient client;
    client.SetHostName("127.0.0.1");
    client.SetUseTls(true);
    for (const char* text : {"AB:CD", "zz" /* not hex */}) {
        client.SetTlsFingerprint(text);
        EXPECT_FALSE(client.OpenSession());
        EXPECT_EQ(client.ErrorMessage().rfind("Invalid server certificate fingerprint", 0), 0u)
            << client.ErrorMessage();
        EXPECT_EQ(client.State(), FtpSessionState::fstReady);
    }
}

}  // namespace
}  // namespace mondeliar::net
