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
        dialogs.ReportError(std::string(error.what()));
    }
    return false;
}

}  // namespace mondeliar::app
