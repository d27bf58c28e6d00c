#include "ui/gui/tree_commands.h"

#include "model/errors.h"
#include "model/paths.h"
#include "templates/gui/template_commands.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"

#include <QAction>
#include <QCollator>
#include <QMenu>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TTreeCommands::TTreeCommands(TfrmMain& main) : QObject(&main), main_(main) {
    const auto action = [this](const QString& text, const QString& hint, auto slot) {
        auto* a = new QAction(text, this);
        if (!hint.isEmpty())
            a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    tbAdd = action("Add", "Add new item(s)", [this] { tbAddClick(0); });
    tbDelete = action("Delete", "Delete selection", [this] { tbDeleteClick(); });
    tbMoveUp = action("Up", "Move selection up", [this] { tbMoveUpClick(); });
    tbMoveDown = action("Down", "Move selection down", [this] { tbMoveDownClick(); });
    tbMoveLeft = action("Left", "Move selection left", [this] { tbMoveLeftClick(); });
    tbMoveRight = action("Right", "Move selection right", [this] { tbMoveRightClick(); });
    tbMoveRightAndAddHeading = action("Heading", "Move to right and add a heading",
                                      [this] { tbMoveRightAndAddHeadingClick(); });
    tbAdd->setObjectName("tbAdd");
    tbDelete->setObjectName("tbDelete");
    tbMoveUp->setObjectName("tbMoveUp");
    tbMoveDown->setObjectName("tbMoveDown");
    tbMoveLeft->setObjectName("tbMoveLeft");
    tbMoveRight->setObjectName("tbMoveRight");
    tbMoveRightAndAddHeading->setObjectName("tbMoveRightAndAddHeading");

    pmLeft = new QMenu(&main);
    pmLeft->setObjectName("pmLeft");
    mnuAddBefore = pmLeft->addAction("Add before", this, [this] { tbAddClick(1); });
    mnuAddAfter = pmLeft->addAction("Add after", this, [this] { tbAddClick(2); });
    mnuAddChild = pmLeft->addAction("Add child", this, [this] { tbAddClick(3); });
    mnuAddEnd = pmLeft->addAction("Add end", this, [this] { tbAddClick(4); });
    mnuAddToc = pmLeft->addAction("Add pages to TOC...", this, [this] { tbAddClick(10); });
    mnuAddNonContents =
        pmLeft->addAction("Add unvisible pages...", this, [this] { tbAddClick(11); });
    mnuAddTemplates = pmLeft->addAction("Add templates...", this, [this] { tbAddClick(12); });
    pmLeft->addSeparator();
    mnuChangeTitle = pmLeft->addAction("Change title", this, [this] { ChangeTitleClick(); });
    pmLeft->addSeparator();
    mnuCollapse = pmLeft->addAction("Collaps", this, [this] { CollapseClick(); });
    mnuExpand = pmLeft->addAction("Expend", this, [this] { ExpandClick(); });
    QMenu* sort = pmLeft->addMenu("Sort");
    mnuSortAll = sort->addAction("All Subitems", this, [this] { SortClick(true); });
    mnuSortFirst = sort->addAction("First level subitems", this, [this] { SortClick(false); });
    pmLeft->addSeparator();
    mnuDelete = pmLeft->addAction("Delete", this, [this] { tbDeleteClick(); });
    pmLeft->addSeparator();
    mnuSetDefault =
        pmLeft->addAction("Set as default topic", this, [this] { mnuSetDefaultClick(); });
    mnuSetHtmlHelpTemplate = pmLeft->addAction("Set as HTML help template", this, [this] {
        TemplateCommand([this] { mnuSetCHMTempClick(main_.Project(), main_.Dialogs()); });
    });
    mnuSetWebHelpTemplate = pmLeft->addAction("Set as Web help template", this, [this] {
        TemplateCommand([this] { mnuSetWebTempClick(main_.Project(), main_.Dialogs()); });
    });
    mnuNoTemplate = pmLeft->addAction("Don't use any template", this, [this] {
        TemplateCommand([this] { mnuDontuseClick(main_.Project()); });
    });
}

template <typename Fn> void TTreeCommands::TemplateCommand(Fn command) {
    command();
    // The template images (and the hints) of the topics follow the project's settings.
    main_.Project().UpdateTopicImages();
    main_.TreeView()->viewport()->update();
    main_.CheckMultiSelectionStatus();
}

template <typename Fn> void TTreeCommands::Structural(Fn command) {
    try {
        command(main_.Project());
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
    }
    main_.CheckMultiSelectionStatus();
}

void TTreeCommands::tbAddClick(int entry) {
    TTopicTree& tree = main_.Tree();
    const TAddDialogPreset preset = AddDialogPreset(tree, entry);
    TfrmAddNewTopic dialog(preset, &main_);
    if (main_.Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    TAddRequest request = dialog.Request();
    // The new topics become the selection: the changed page is saved or dropped first.
    if (!main_.ProjectCommands().AskSaveTopic())
        return;
    if (dialog.PrebuiltTemplate()) {
        if (const TTemplateEntry* entry = dialog.ChosenTemplate())
            AddPrebuiltTemplateClick(&main_, main_.Project(), main_.Dialogs(), *entry,
                                     dialog.LibraryFolder(), request.InsertMode);
        main_.Project().UpdateTopicImages();
        main_.CheckMultiSelectionStatus();
        return;
    }
    if (request.ItemType == AddItemType::ExistingFiles) {
        const QStringList files = main_.Dialogs().OpenFiles(
            "Select HTML files", Q(main_.Project().RootFolder()), Filters::Html);
        if (files.isEmpty())
            return;
        for (const QString& file : files)
            request.Files.push_back(file.toStdString());
    }
    Structural([&](TPvx& project) { AddTopics(project, request); });
    main_.Project().UpdateTopicImages();
}

void TTreeCommands::tbDeleteClick() {
    if (main_.Dialogs().Ask(TocTexts::AskDelete, TButtons::YesNo) != TAnswer::Yes)
        return;
    if (!main_.ProjectCommands().AskSaveTopic())
        return;
    Structural([](TPvx& project) { DeleteSelection(project); });
}

void TTreeCommands::tbMoveUpClick() {
    Structural([](TPvx& project) { MoveSelectionUp(project); });
}

void TTreeCommands::tbMoveDownClick() {
    Structural([](TPvx& project) { MoveSelectionDown(project); });
}

void TTreeCommands::tbMoveLeftClick() {
    Structural([](TPvx& project) { MoveSelectionLeft(project); });
}

void TTreeCommands::tbMoveRightClick() {
    Structural([](TPvx& project) { MoveSelectionRight(project); });
}

void TTreeCommands::tbMoveRightAndAddHeadingClick() {
    Structural([](TPvx& project) { MoveRightAndAddHeading(project); });
}

void TTreeCommands::DropSelection(TTopicNode* target, DropMode mode) {
    Structural([&](TPvx& project) { parvane::DropSelection(project, target, mode); });
}

void TTreeCommands::SortClick(bool allLevels) {
    TTopicNode* node = main_.Tree().Selected();
    if (!node)
        return;
    // The desktop's collation of the user's language.
    QCollator collator;
    collator.setNumericMode(true);
    Structural([&](TPvx& project) {
        SortChildren(project, node, allLevels,
                     [&collator](const std::string& a, const std::string& b) {
                         return collator.compare(Q(a), Q(b));
                     });
    });
}

void TTreeCommands::ExpandClick() {
    if (TTopicNode* node = main_.Tree().Selected())
        ExpandAll(node);
}

void TTreeCommands::CollapseClick() {
    if (TTopicNode* node = main_.Tree().Selected())
        CollapseAll(node);
}

void TTreeCommands::ChangeTitleClick() {
    main_.TreeView()->EditSelectedTitle();
}

void TTreeCommands::mnuSetDefaultClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!node || node->IsRoot())
        return;
    try {
        SetAsDefaultTopic(main_.Project(), node);
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
    }
    main_.TreeView()->viewport()->update();
}

void TTreeCommands::tbLinkNewClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!node || node->IsRoot())
        return;
    if (node->Data().Status == tsLinked &&
        main_.Dialogs().Ask(TocTexts::AskLinkNew, TButtons::YesNo) != TAnswer::Yes)
        return;
    LinkToBlankPage(main_.Project(), node);
    main_.ShowTopicProperties(node);
    main_.EditorPane()->ShowTopic(node);
}

void TTreeCommands::tbNoLinkClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!node || node->IsRoot())
        return;
    if (node->Data().Status == tsLinked &&
        main_.Dialogs().Ask(TocTexts::AskNoLink, TButtons::YesNo) != TAnswer::Yes)
        return;
    MakeNoLink(main_.Project(), node);
    main_.ShowTopicProperties(node);
    main_.EditorPane()->ShowTopic(node);
}

void TTreeCommands::tbLinkExistentPageClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!node || node->IsRoot())
        return;
    TPvx& project = main_.Project();
    const QString file = main_.Dialogs().OpenFile({}, Q(project.RootFolder()), Filters::Html);
    if (!file.isEmpty()) {
        const TExistingPageLink link = ExistingPageLink(project.RootFolder(), file.toStdString());
        if (!link.Outside ||
            main_.Dialogs().Ask(Q(TocTexts::OutsideRootQuestion(file.toStdString())),
                                TButtons::YesNo) == TAnswer::Yes) {
            LinkToExistingPage(project, node, link.Url);
            main_.ShowTopicProperties(node);
            main_.EditorPane()->ShowTopic(node);
        }
    }
    project.Modified = true;
}

void TTreeCommands::IconChosen(int icon) {
    Structural([icon](TPvx& project) { SetIconOfSelection(project, icon); });
}

void TTreeCommands::UpdatePopup() {
    const TPopupState state = PopupState(main_.Tree().Selected());
    for (QAction* a : {mnuAddBefore, mnuAddAfter, mnuAddChild, mnuAddEnd})
        a->setVisible(state.AddRelative);
    mnuAddToc->setVisible(state.AddToc);
    mnuAddNonContents->setVisible(state.AddNonContents);
    mnuAddTemplates->setVisible(state.AddTemplates);
    mnuDelete->setEnabled(state.Delete);
    tbDelete->setEnabled(state.Delete);
    mnuSetDefault->setVisible(state.SetDefault);
    mnuSetHtmlHelpTemplate->setVisible(state.SetHtmlHelpTemplate);
    mnuSetWebHelpTemplate->setVisible(state.SetWebHelpTemplate);
    mnuNoTemplate->setVisible(state.NoTemplate);
}

void TTreeCommands::pmLeftPopup(const QPoint& viewportPos) {
    TTopicTreeView* view = main_.TreeView();
    TTopicNode* node = view->NodeAt(viewportPos);
    // The node under the pointer becomes the focused one; a selection it belongs to
    // stays, so the menu's Delete acts on all of it.
    if (node && !main_.Tree().IsSelected(node))
        main_.Tree().Select(node);
    else if (node)
        main_.Tree().SetSelections(main_.Tree().Selections(), node);
    UpdatePopup();
    pmLeft->popup(view->viewport()->mapToGlobal(viewportPos));
}

} // namespace parvane
