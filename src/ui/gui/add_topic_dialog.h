#pragma once
// TfrmAddNewTopic, "Add new topic": the page of the group to add to, the item type, the
// count or the title source, and the insert mode (a greyed "Append" when adding into
// another group than the selected node's).

#include "ui/toc_commands.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTabBar;

namespace parvane {

class TfrmAddNewTopic : public QDialog {
    Q_OBJECT
public:
    TfrmAddNewTopic(const TAddDialogPreset& preset, QWidget* parent = nullptr);

    int Page() const;
    void SetPage(int page);
    // The request as the dialog stands (files are filled in by the command).
    TAddRequest Request() const;

    QTabBar* pcPages;
    QComboBox* cbInsertMode;
    QRadioButton* rbBlank;
    QRadioButton* rbExisting;
    QRadioButton* rbNoLink;
    QSpinBox* edtCount;
    QComboBox* cbTitleFrom;

private:
    void PageChanged();
    void ItemTypeChanged();

    int homeKind_;
    int chosenMode_; // the mode kept while the box shows "Append"
    QWidget* countRow_;
    QWidget* titleRow_;
    QWidget* itemPanel_;
    QLabel* templatesNote_;
};

} // namespace parvane
