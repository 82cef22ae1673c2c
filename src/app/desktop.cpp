#include "app/desktop.h"

#include "app/form_about.h"
#include "app/form_add_note.h"
#include "app/form_cfg.h"
#include "app/form_main.h"
#include "app/form_purge.h"
#include "app/program_pictures.h"
#include "app/text_convert.h"
#include "app/user_dialogs.h"
#include "base/errors.h"
#include "base/program.h"

#include <QApplication>

namespace mondeliar::app {

Desktop::Desktop(UserDialogs& dialogs, const DesktopFolders& folders, Date today)
    : dialogs_(dialogs), context_(folders.Program, folders.Data, today, dialogs)
{
    dialogs_.DataFolder = folders.Data;
    if (!folders.Output.empty())
        context_.DefaultOutputFolder = folders.Output;
    if (!folders.UserLanguages.empty())
        context_.UserLanguageFolder = folders.UserLanguages;
    PrepareCalendarsFolder(context_);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setWindowIcon(ProgramIcon());
    CreateWindows();
}

Desktop::~Desktop() = default;

void Desktop::CreateWindows()
{
    formMain_ = std::make_unique<TFormMain>(context_, dialogs_);
    formCfg_ = new TFormCfg(context_, dialogs_, *formMain_, formMain_.get());
    formAddNote_ = new TFormAddNote(context_, dialogs_, *formMain_);
    formPurge_ = new TFormPurge(context_, dialogs_, *formMain_);
    formAbout_ = new TFormAbout(dialogs_, *formMain_);
    formMain_->AttachDialogs(formCfg_, *formAddNote_, *formPurge_, *formAbout_);
}

std::unique_ptr<Desktop> StartDesktop(UserDialogs& dialogs, const DesktopFolders& folders,
                                      Date today)
{
    try {
        return std::make_unique<Desktop>(dialogs, folders, today);
    } catch (const FatalError& error) {
        dialogs.ShowBox(BoxKind::Warning, FromWindows1252(error.what()));
    }
    return nullptr;
}

}  // namespace mondeliar::app
