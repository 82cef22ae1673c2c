#pragma once
// The one way the core tells the user something: a message with a single OK button.
// The windows show a message box, the command line tool prints to stderr, and tests record.

#include <string>

namespace mondeliar {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace mondeliar
