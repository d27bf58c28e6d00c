// parvane: the desktop application.
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/settings_store.h"
#include "ui/gui/splash.h"
#include "ui/project_naming.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Teskarro");
    QApplication::setApplicationName("Parvane");
    parvane::TfrmFlashScreen splash;
    splash.show();
    app.processEvents();

    parvane::TQtDialogs dialogs;
    parvane::TQtSettingsStore store;
    parvane::TfrmMain window(dialogs, store);
    dialogs.SetParent(&window);
    splash.finish(&window);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window.Start(arguments);
    return app.exec();
}
