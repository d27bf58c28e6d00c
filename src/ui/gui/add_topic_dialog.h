#pragma once
// TfrmAddNewTopic, "Add new topic": the page of the group to add to, the item type, the
// count or the title source, and the insert mode (a greyed "Append" when adding into
// another group than the selected node's). The Templates page also offers the library of
// prebuilt templates with a preview of the chosen one.

#include "templates/template_library.h"
#include "ui/toc_commands.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QSpinBox;
class QTabBar;

namespace parvane {

class TfrmAddNewTopic : public QDialog {
    Q_OBJECT
public:
    // The library is read from libraryFolder (empty: the program's own).
    TfrmAddNewTopic(const TAddDialogPreset& preset, QWidget* parent = nullptr,
                    const std::string& libraryFolder = {});

    int Page() const;
    void SetPage(int page);
    // The request as the dialog stands (files are filled in by the command). For a
    // prebuilt template it is not used: see PrebuiltTemplate.
    TAddRequest Request() const;

    // "Prebuilt  template" is chosen on the Templates page.
    bool PrebuiltTemplate() const;
    // The library entry chosen in the list, or nullptr (an empty library).
    const TTemplateEntry* ChosenTemplate() const;
    const std::string& LibraryFolder() const { return libraryFolder_; }

    QTabBar* pcPages;
    QComboBox* cbInsertMode;
    QRadioButton* rbBlank;
    QRadioButton* rbExisting;
    QRadioButton* rbNoLink;
    QSpinBox* edtCount;
    QComboBox* cbTitleFrom;
    QRadioButton* rbPrebuilt;
    QListWidget* lbTemplates;
    QLabel* imgTemplate;

private:
    void PageChanged();
    void ItemTypeChanged();
    void TemplateChanged();

    int homeKind_;
    int chosenMode_; // the mode kept while the box shows "Append"
    QWidget* countRow_;
    QWidget* titleRow_;
    QWidget* itemPanel_;
    QWidget* libraryPanel_;
    std::string libraryFolder_;
    std::vector<TTemplateEntry> library_;
};

} // namespace parvane
