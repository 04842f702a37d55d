// Quit: unloads every loaded form in a fixed order (the main window's unload removes
// the tray icon) and ends the program.

#include "platform/x11/forms.h"
#include "platform/x11/on_error.h"
#include "shell/menu_commands.h"

#include <QCoreApplication>

namespace {
const char* const kFormsInUnloadOrder[] = {"Form1",   "frmAbout", "frmAdmin", "frmHelp",
                                           "frmMain", "frmMenu",  "frmUpdate"};
} // namespace

void mExit_Click() {
    for (const char* name : kFormsInUnloadOrder) {
        platform::continueOnError([name] {
            QWidget* form = platform::loadedFormNamed(QLatin1String(name));
            if (form && platform::isFormLoaded(form))
                platform::unloadForm(form);
        });
    }
    // Leaves every running event loop (an open menu's too); main() then lets the
    // unloaded forms' unload handling run and returns.
    QCoreApplication::exit(0);
}
