#include "app/user_dialogs.h"

#include "app/text_convert.h"
#include "base/errors.h"

namespace mondeliar::app {

void UserDialogs::ShowMessage(const std::string& text)
{
    ShowBox(BoxKind::Message, FromWindows1252(text));
}

void UserDialogs::ReportError(const std::string& coreText)
{
    ShowBox(BoxKind::ErrorReport, FromWindows1252(StandardErrorReportText(coreText)));
}

void UserDialogs::ReportError(const std::exception& failure)
{
    ReportError(FailureText(failure, DataFolder));
}

void UserDialogs::ReportError(const QString& text)
{
    ReportError(ToWindows1252(text));
}

}  // namespace mondeliar::app
