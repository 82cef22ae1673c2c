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

}  // namespace mondeliar::net::testing
