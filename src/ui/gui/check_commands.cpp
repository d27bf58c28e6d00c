#include "ui/gui/check_commands.h"

#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "output/gui/check_dialog.h"
#include "ui/gui/main_window.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_view.h"

#include <QAction>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

namespace parvane {

namespace SF = StringFunc;

TCheckCommands::TCheckCommands(TfrmMain& main) : QObject(&main), main_(main) {
    actCheckProject = new QAction("Check Project...", this);
    actCheckProject->setObjectName("actCheckProject");
    actCheckProject->setShortcut(QKeySequence("Ctrl+Shift+K"));
    actCheckProject->setStatusTip("Finds broken links, missing pages and pictures, and other "
                                  "faults before a build");
    connect(actCheckProject, &QAction::triggered, this, &TCheckCommands::CheckProjectClick);
}

void TCheckCommands::CheckProjectClick() {
    if (!frmCheck_) {
        dock_ = new QDockWidget("Check Project", &main_);
        dock_->setObjectName("dockCheckProject");
        frmCheck_ = new TfrmCheckProject(dock_);
        dock_->setWidget(frmCheck_);
        main_.addDockWidget(Qt::BottomDockWidgetArea, dock_);
        connect(frmCheck_, &TfrmCheckProject::CheckAgainRequested, this,
                [this] { frmCheck_->StartCheck(main_.Project()); });
        connect(frmCheck_, &TfrmCheckProject::FindingActivated, this,
                [this](const TCheckFinding& f) { ShowFinding(f); });
    }
    dock_->show();
    dock_->raise();
    frmCheck_->lvFindings->setFocus();
    frmCheck_->StartCheck(main_.Project());
}

bool TCheckCommands::ShowFinding(const TCheckFinding& finding) {
    TTopicNode* node = nullptr;
    if (!finding.Page.empty())
        node = TTopicUrlIndex(main_.Tree()).Find(SF::ToBackslashes(finding.Page));
    if (!node && !finding.Topic.empty()) {
        main_.Tree().ForEach([&](TTopicNode* n) {
            if (!node && !n->IsRoot() && n->Text() == finding.Topic)
                node = n;
        });
    }
    if (!node) {
        main_.sbHint->setText("No topic shows " + QString::fromStdString(finding.Page) + ".");
        return false;
    }
    TTopicTreeView* view = main_.TreeView();
    if (view->CanLeaveTopic && !view->CanLeaveTopic())
        return false;
    main_.Tree().Select(node);
    view->SyncSelectionFromTree();
    if (!finding.Page.empty() && finding.Line > 0 && node->Data().Status == tsLinked)
        GoToSourceLine(main_.Project().TopicFileName(node), finding.Line);
    return true;
}

// The Source tab fills when the editor has handed over the page, which may take a moment:
// the line is shown as soon as the tab holds the page.
void TCheckCommands::GoToSourceLine(const std::string& pagePath, int line) {
    TTopicEditorPane* pane = main_.EditorPane();
    pane->setCurrentIndex(static_cast<int>(TEditorTab::Source));
    QPointer<TTopicEditorPane> guard(pane);
    auto* timer = new QTimer(this);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(30);
    connect(timer, &QTimer::timeout, this, [guard, timer, started, pagePath, line] {
        if (!guard || started->elapsed() > 5000) {
            timer->deleteLater();
            return;
        }
        if (guard->currentIndex() != static_cast<int>(TEditorTab::Source)) {
            guard->setCurrentIndex(static_cast<int>(TEditorTab::Source));
            return;
        }
        TSourceEdit* edit = guard->mmSource->Edit();
        if (!SF::SameText(Paths::ExtractFileName(guard->PagePath()), Paths::ExtractFileName(pagePath)) ||
            edit->document()->isEmpty())
            return;
        const QTextBlock block = edit->document()->findBlockByNumber(line - 1);
        if (block.isValid()) {
            QTextCursor cursor(block);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            edit->setTextCursor(cursor);
            edit->centerCursor();
            edit->setFocus();
        }
        timer->deleteLater();
    });
    timer->start();
}

} // namespace parvane
