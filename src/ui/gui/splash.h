#pragma once
// TfrmFlashScreen: the splash window with the version text, shown while the main window
// is created.

#include <QSplashScreen>

namespace parvane {

class TfrmFlashScreen : public QSplashScreen {
    Q_OBJECT
public:
    TfrmFlashScreen();
};

} // namespace parvane
