#include "app/handler_guard.h"

#include "app/user_dialogs.h"

#include <exception>

namespace mondeliar::app {

bool RunHandler(UserDialogs& dialogs, const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        dialogs.ReportError(error);
    }
    return false;
}

}  // namespace mondeliar::app
