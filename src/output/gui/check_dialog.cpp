#include "output/gui/check_dialog.h"

#include "model/project_file.h"
#include "model/text_file.h"
#include "model/topic_tree.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

enum Column { colSeverity, colWhere, colLine, colKind, colMessage, colTarget, ColumnCount };

// Sorts lines numerically and severities by rank rather than by their names.
class TFindingItem : public QTreeWidgetItem {
public:
    TFindingItem(const TCheckFinding& f, int index) {
        setText(colSeverity, SeverityName(f.Severity));
        setData(colSeverity, Qt::UserRole, static_cast<int>(f.Severity));
        setText(colWhere, Q(!f.Page.empty() ? f.Page
                            : !f.Topic.empty() ? "topic \"" + f.Topic + "\""
                                               : std::string("project")));
        if (f.Line > 0)
            setText(colLine, QString::number(f.Line));
        setData(colLine, Qt::UserRole, f.Line);
        setText(colKind, Q(f.Code));
        QString message = Q(f.Message);
        if (!f.Suggestion.empty())
            message += " Use \"" + Q(f.Suggestion) + "\".";
        setText(colMessage, message);
        setToolTip(colMessage, message);
        setText(colTarget, Q(f.Target));
        setData(0, Qt::UserRole + 1, index);
    }
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == colSeverity || column == colLine) {
            const int a = data(column, Qt::UserRole).toInt();
            const int b = other.data(column, Qt::UserRole).toInt();
            if (a != b)
                return a < b;
            return data(0, Qt::UserRole + 1).toInt() < other.data(0, Qt::UserRole + 1).toInt();
        }
        return QTreeWidgetItem::operator<(other);
    }
};

} // namespace

struct TProjectSnapshot {
    TTopicTree Tree;
    TPvx Project{Tree};
};

std::shared_ptr<TProjectSnapshot> SnapshotProject(const TPvx& project) {
    auto snapshot = std::make_shared<TProjectSnapshot>();
    snapshot->Tree.CreateRootGroups();
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/snapshot.pvx";
    TextCodec::WriteFileAtomic(file, project.SaveToText(project.FileName));
    snapshot->Project.LoadFromFile(file);
    snapshot->Project.FileName = project.FileName;
    snapshot->Project.ProjectSettings.RootDir = project.ProjectSettings.RootDir;
    return snapshot;
}

TCheckReport CheckSnapshot(const TProjectSnapshot& snapshot, const CheckProgress& progress) {
    return CheckProject(snapshot.Project, {}, progress);
}

TfrmCheckProject::TfrmCheckProject(QWidget* parent) : QWidget(parent) {
    setObjectName("frmCheckProject");
    setWindowTitle("Check Project");

    cbSeverity = new QComboBox(this);
    cbSeverity->setObjectName("cbSeverity");
    cbSeverity->addItems({"All findings", "Errors", "Warnings", "Notes"});
    lblSummary = new QLabel(this);
    btnCheckAgain = new QPushButton("Check &Again", this);
    btnCheckAgain->setObjectName("btnCheckAgain");
    lblSummary->setObjectName("lblSummary");
    auto* filterRow = new QHBoxLayout;
    filterRow->setContentsMargins(0, 0, 0, 0);
    auto* show = new QLabel("&Show:", this);
    show->setBuddy(cbSeverity);
    filterRow->addWidget(show);
    filterRow->addWidget(cbSeverity);
    filterRow->addStretch(1);
    filterRow->addWidget(lblSummary);
    filterRow->addWidget(btnCheckAgain);

    lvFindings = new QTreeWidget(this);
    lvFindings->setObjectName("lvFindings");
    lvFindings->setRootIsDecorated(false);
    lvFindings->setUniformRowHeights(true);
    lvFindings->setAlternatingRowColors(true);
    lvFindings->setHeaderLabels({"Severity", "Where", "Line", "Kind", "Finding", "Target"});
    lvFindings->setSortingEnabled(true);
    lvFindings->sortByColumn(colSeverity, Qt::AscendingOrder);
    lvFindings->header()->setStretchLastSection(false);
    lvFindings->header()->setSectionResizeMode(colMessage, QHeaderView::Stretch);
    lvFindings->setColumnWidth(colSeverity, 70);
    lvFindings->setColumnWidth(colWhere, 160);
    lvFindings->setColumnWidth(colLine, 45);
    lvFindings->setColumnWidth(colKind, 160);
    lvFindings->setColumnWidth(colTarget, 170);


    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(filterRow);
    layout->addWidget(lvFindings, 1);

    connect(cbSeverity, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(lvFindings, &QTreeWidget::itemActivated, this, &TfrmCheckProject::OnItemActivated);
    connect(btnCheckAgain, &QPushButton::clicked, this, &TfrmCheckProject::CheckAgainRequested);
}

void TfrmCheckProject::StartCheck(const TPvx& project) {
    if (running_)
        return;
    std::shared_ptr<TProjectSnapshot> snapshot;
    try {
        snapshot = SnapshotProject(project);
    } catch (const std::exception& e) {
        lblSummary->setText("The project could not be read: " + Q(e.what()));
        return;
    }
    running_ = true;
    btnCheckAgain->setEnabled(false);
    lvFindings->clear();
    lblSummary->setText("Checking...");
    QPointer<TfrmCheckProject> self(this);
    QThread* worker = QThread::create([self, snapshot] {
        const CheckProgress progress = [self](const std::string& line) {
            QMetaObject::invokeMethod(
                qApp, [self, text = Q(line)] {
                    if (self && self->running_)
                        self->lblSummary->setText(text);
                },
                Qt::QueuedConnection);
        };
        auto report = std::make_shared<TCheckReport>(CheckSnapshot(*snapshot, progress));
        QMetaObject::invokeMethod(
            qApp, [self, report] {
                if (!self)
                    return;
                self->running_ = false;
                self->btnCheckAgain->setEnabled(true);
                self->ShowReport(*report);
                emit self->CheckFinished();
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void TfrmCheckProject::ShowReport(const TCheckReport& report) {
    report_ = report;
    lvFindings->setSortingEnabled(false);
    lvFindings->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(report_.Findings.size()));
    for (std::size_t i = 0; i < report_.Findings.size(); ++i)
        items.append(new TFindingItem(report_.Findings[i], static_cast<int>(i)));
    lvFindings->addTopLevelItems(items);
    lvFindings->setSortingEnabled(true);
    lblSummary->setText(QString("%1 error(s), %2 warning(s), %3 note(s) in %4 file(s)")
                            .arg(report_.Errors())
                            .arg(report_.Warnings())
                            .arg(report_.Notes())
                            .arg(report_.PagesRead));
    ApplyFilter();
}

void TfrmCheckProject::SetSeverityFilter(int severity) {
    cbSeverity->setCurrentIndex(severity < 0 ? 0 : severity + 1);
}

void TfrmCheckProject::ApplyFilter() {
    const int wanted = cbSeverity->currentIndex() - 1; // -1: all
    for (int i = 0; i < lvFindings->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lvFindings->topLevelItem(i);
        item->setHidden(wanted >= 0 && item->data(colSeverity, Qt::UserRole).toInt() != wanted);
    }
}

void TfrmCheckProject::OnItemActivated(QTreeWidgetItem* item) {
    if (!item)
        return;
    const int index = item->data(0, Qt::UserRole + 1).toInt();
    if (index >= 0 && static_cast<std::size_t>(index) < report_.Findings.size())
        emit FindingActivated(report_.Findings[static_cast<std::size_t>(index)]);
}

} // namespace parvane
