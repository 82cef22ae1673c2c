// What the publish box says about a failed step, beyond the failures the window's tests
// meet on loopback: never a reply code the server did not send.

#include "publish/plain_failure.h"

#include <gtest/gtest.h>

namespace mondeliar {
namespace {

TEST(PlainFailureTest, FtpFailuresReadAsSentences)
{
    const std::string greeting = "220 pyftpdlib ready.";
    struct Row {
        std::string file, detail, serverReply, sentence;
    } rows[] = {
        {"", "500 Host not found (Winsock error #11001)", "",
         "Could not find the server ftp.example.org: the name is not known."},
        {"", "426 Timeout", "", "The server ftp.example.org did not answer within 15 seconds."},
        {"/calendar.html", "426 Connection reset by peer (Winsock error #10054)", greeting,
         "The connection to ftp.example.org was lost: the server reset the connection."},
        {"/calendar.html", "426 Connection closed", greeting,
         "The server ftp.example.org closed the connection."},
        {"/calendar.html", "425 No data connection from the server within 15 seconds", greeting,
         "The server ftp.example.org did not open the data connection within 15 seconds."},
        {"/calendar.html", "426 Unable to open local file /site/calendar.html", greeting,
         "Could not read /site/calendar.html."},
        {"", "500 TLS certificate check failed for ftp.example.org: expired", greeting,
         "The secure connection to ftp.example.org failed: TLS certificate check failed for "
         "ftp.example.org: expired."},
        {"/calendar.html", "426 Invalid passive mode reply: 227 x", greeting,
         "Publishing to ftp.example.org failed: Invalid passive mode reply: 227 x."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PlainFtpFailure({"ftp.example.org", "21", 15, row.file, row.detail, row.serverReply}),
                  row.sentence);
}

TEST(PlainFailureTest, SftpFailuresReadTheSameWay)
{
    struct Row {
        std::string detail, sentence;
    } rows[] = {
        {"No answer from the server within 1 second",
         "The server sftp.example.org did not answer within 1 second."},
        {"Cannot connect to sftp.example.org port 22: Connection refused",
         "Could not connect to sftp.example.org, port 22: connection refused."},
        {"The connection to the server was lost: Socket error: disconnected",
         "The connection to sftp.example.org was lost: Socket error: disconnected."},
        {"The log-on failed: Access denied", "The log-on failed: Access denied."},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PlainSftpFailure("sftp.example.org", row.detail), row.sentence);
}

}  // namespace
}  // namespace mondeliar
