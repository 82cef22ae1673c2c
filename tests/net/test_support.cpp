#include "test_support.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdint>

namespace mondeliar::net::testing {

namespace {

// One QCoreApplication for the whole test program.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "net_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const kEnvironment
    = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::string PatternBytes(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 16);
    }
    return bytes;
}

namespace {

void Aim(TFtpClient& client, int port, const std::string& user, const std::string& password,
         int timeout)
{
    client.SetHostName("127.0.0.1");
    client.SetPort(std::to_string(port));
    client.SetUserName(user);
    client.SetPassWord(password);
    client.SetTimeout(timeout);
}

}  // namespace

void Aim(TFtpClient& client, const ScriptedFtpServer& server)
{
    Aim(client, server.Port(), "u", "p", 5);
}

void Aim(TFtpClient& client, const PyFtpServer& server)
{
    Aim(client, server.Port(), "tester", "secret", 10);
}

std::vector<std::string> SentCommands(const std::vector<std::string>& log)
{
    std::vector<std::string> commands;
    for (const std::string& line : log)
        if (line.rfind("> ", 0) == 0)
            commands.push_back(line.substr(2));
    return commands;
}

std::vector<std::string> SentVerbs(const std::vector<std::string>& log)
{
    std::vector<std::string> verbs = SentCommands(log);
    for (std::string& verb : verbs)
        verb = verb.substr(0, verb.find(' '));
    return verbs;
}

}  // namespace mondeliar::net::testing
