// parvane: the desktop application.
#include "model/errors.h"
#include "settings/app_options.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/settings_store.h"
#include "ui/gui/splash.h"
#include "ui/project_naming.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Teskarro");
    QApplication::setApplicationName("Parvane");
    // The installed theme's icon when there is one, else the program's own copy.
    Q_INIT_RESOURCE(app_icon);
    QIcon icon;
    for (int size : {16, 32, 48, 128})
        icon.addFile(QString(":/app/parvane-%1.png").arg(size));
    QApplication::setWindowIcon(QIcon::fromTheme("parvane", icon));
    parvane::TfrmFlashScreen splash;
    splash.show();
    app.processEvents();

    // The first start looks for the HTML editors installed, for the external-editor list.
    if (parvane::IsFirstStart()) {
        try {
            parvane::DetectAndStoreEditors();
        } catch (const parvane::EParvaneError& e) {
            qWarning("%s", e.what());
        }
    }

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
