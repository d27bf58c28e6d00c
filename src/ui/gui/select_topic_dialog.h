#pragma once
// TfrmSelectTopic, "Select a topic": a copy of the topic tree to pick a topic's page from,
// a "Url:" box, a file button, "None", OK and Cancel. Mode 1 offers the table of contents
// and the non-contents pages, any other mode the templates.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace parvane {

class IDialogs;
class TPvx;
class TTopicNode;
class TTreeImages;

class TfrmSelectTopic : public QDialog {
    Q_OBJECT
public:
    TfrmSelectTopic(const TPvx& project, const TTreeImages& images, IDialogs& dialogs,
                    const QString& url, int mode, QWidget* parent = nullptr);

    QString Url() const;

    QTreeView* tvTopics;
    QLineEdit* edtUrl;
    QPushButton* btnBrowse;
    QPushButton* btnNone;
    QPushButton* btnOK;

private:
    void CopyChildren(const TTopicNode* from, QStandardItem* to);
    void UpdateOk();

    const TPvx& project_;
    const TTreeImages& images_;
    IDialogs& dialogs_;
    QStandardItemModel* model_;
};

} // namespace parvane
