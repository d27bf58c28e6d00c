#include "ui/gui/select_topic_dialog.h"

#include "model/paths.h"
#include "model/project_file.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/tree_images.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace parvane {

namespace {
constexpr int UrlRole = Qt::UserRole + 1;
constexpr int ImageRole = Qt::UserRole + 2;

// Expanding and collapsing switch the copied images within their pairs, like the tree.
int OpenImage(int image) {
    return (image >= 0 && image <= 6 && image % 2 == 0) || image == 42 || image == 44 ? image + 1
                                                                                      : image;
}
int ClosedImage(int image) {
    return (image >= 1 && image <= 7 && image % 2 == 1) || image == 43 || image == 45 ? image - 1
                                                                                      : image;
}
} // namespace

TfrmSelectTopic::TfrmSelectTopic(const TPvx& project, const TTreeImages& images, IDialogs& dialogs,
                                 const QString& url, int mode, QWidget* parent)
    : QDialog(parent), project_(project), images_(images), dialogs_(dialogs) {
    setObjectName("frmSelectTopic");
    setWindowTitle("Select a topic");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Topics:"));
    tvTopics = new QTreeView;
    tvTopics->setHeaderHidden(true);
    tvTopics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    model_ = new QStandardItemModel(this);
    tvTopics->setModel(model_);
    layout->addWidget(tvTopics);

    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(new QLabel("Url:"));
    edtUrl = new QLineEdit;
    urlRow->addWidget(edtUrl);
    btnBrowse = new QPushButton("...");
    btnBrowse->setToolTip("Select file in folder");
    urlRow->addWidget(btnBrowse);
    layout->addLayout(urlRow);

    auto* buttons = new QDialogButtonBox;
    btnNone = buttons->addButton("None", QDialogButtonBox::ResetRole);
    btnOK = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(btnNone, &QPushButton::clicked, this, [this] {
        edtUrl->clear();
        accept();
    });
    connect(edtUrl, &QLineEdit::textChanged, this, &TfrmSelectTopic::UpdateOk);
    connect(btnBrowse, &QPushButton::clicked, this, [this] {
        const QString root = QString::fromStdString(project_.RootFolder());
        const QString file = dialogs_.OpenFile({}, root, Filters::Html);
        if (!file.isEmpty())
            edtUrl->setText(QString::fromStdString(
                Paths::PathToUrl(project_.RootFolder(), file.toStdString())));
    });

    // The groups the caller asked for, collapsed, the first one open.
    const TTopicTree& tree = project.Tree();
    std::vector<const TTopicNode*> groups;
    if (mode == 1)
        groups = {tree.ContentsRoot(), tree.NonContentsRoot()};
    else
        groups = {tree.TemplatesRoot()};
    for (const TTopicNode* group : groups) {
        auto* item = new QStandardItem(images_.Icon(42), QString::fromStdString(group->Text()));
        item->setData(42, ImageRole);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        CopyChildren(group, item);
        model_->appendRow(item);
    }
    if (model_->rowCount() > 0)
        tvTopics->expand(model_->index(0, 0));
    connect(tvTopics, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        QStandardItem* item = model_->itemFromIndex(index);
        const int image = OpenImage(item->data(ImageRole).toInt());
        item->setData(image, ImageRole);
        item->setIcon(images_.Icon(image));
    });
    connect(tvTopics, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        QStandardItem* item = model_->itemFromIndex(index);
        const int image = ClosedImage(item->data(ImageRole).toInt());
        item->setData(image, ImageRole);
        item->setIcon(images_.Icon(image));
    });
    // The first expansion above switched the image before the handler existed.
    if (model_->rowCount() > 0) {
        model_->item(0)->setData(43, ImageRole);
        model_->item(0)->setIcon(images_.Icon(43));
    }
    connect(tvTopics->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.parent().isValid())
                    edtUrl->setText(current.data(UrlRole).toString());
            });

    edtUrl->setText(url);
    if (!url.isEmpty()) {
        // The first topic in tree order with exactly this address.
        std::vector<QStandardItem*> work;
        for (int i = model_->rowCount() - 1; i >= 0; --i)
            work.push_back(model_->item(i));
        while (!work.empty()) {
            QStandardItem* item = work.back();
            work.pop_back();
            if (item->parent() && item->data(UrlRole).toString() == url) {
                tvTopics->setCurrentIndex(item->index());
                break;
            }
            for (int i = item->rowCount() - 1; i >= 0; --i)
                work.push_back(item->child(i));
        }
    }
    UpdateOk();
}

void TfrmSelectTopic::CopyChildren(const TTopicNode* from, QStandardItem* to) {
    for (int i = 0; i < from->Count(); ++i) {
        const TTopicNode* child = from->Child(i);
        // Copies show their nodes collapsed.
        int image = child->ImageIndex();
        if (child->Expanded())
            image = ClosedImage(image);
        auto* item = new QStandardItem(images_.Icon(image), QString::fromStdString(child->Text()));
        item->setData(QString::fromStdString(child->Data().Url), UrlRole);
        item->setData(image, ImageRole);
        CopyChildren(child, item);
        to->appendRow(item);
    }
}

void TfrmSelectTopic::UpdateOk() {
    btnOK->setEnabled(!edtUrl->text().trimmed().isEmpty());
}

QString TfrmSelectTopic::Url() const {
    return edtUrl->text();
}

} // namespace parvane
