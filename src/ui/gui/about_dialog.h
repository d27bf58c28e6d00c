#pragma once
// TfrmAbout: the program's name, version and what it is, with the folders it works from.

#include <QDialog>

class QLabel;

namespace parvane {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblProduct;
    QLabel* lblVersion;
    QLabel* lblFolders;
};

} // namespace parvane
