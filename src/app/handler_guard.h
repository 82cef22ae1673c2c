#pragma once
// An exception never crosses the Qt event loop: every window event handler runs inside
// RunHandler, which turns an escaped failure into the standard error report. The program
// keeps running with whatever state was reached.

#include <functional>
#include <utility>

namespace mondeliar::app {

class UserDialogs;

// Runs `handler`; an exception that escapes it is shown as the standard error report.
// Returns false when the handler failed.
bool RunHandler(UserDialogs& dialogs, const std::function<void()>& handler);

// A slot for connect() that runs `handler` inside RunHandler.
template <typename Handler> auto Guarded(UserDialogs& dialogs, Handler handler)
{
    return [&dialogs, handler = std::move(handler)](auto&&... arguments) {
        RunHandler(dialogs, [&] { handler(std::forward<decltype(arguments)>(arguments)...); });
    };
}

}  // namespace mondeliar::app
