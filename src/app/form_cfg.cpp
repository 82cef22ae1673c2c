#include "app/form_cfg.h"

#include "app/main_window_access.h"
#include "app/user_dialogs.h"
#include "config/calendar_context.h"

namespace mondeliar::app {

TFormCfg::TFormCfg(CalendarContext& context, UserDialogs& dialogs, MainWindowAccess& mainWindow,
                   QWidget* parent)
    : QDialog(parent), context_(context), dialogs_(dialogs), mainWindow_(mainWindow)
{
    setWindowTitle("Configuration");
    LoadExtraHtml(context_.ExtraHtml, context_.DataFolder);
}

void TFormCfg::OpenDialog()
{
    show();
}

}  // namespace mondeliar::app
