// Times find in the tree and the tree's undo history on a 50,000-topic project, in the
// desktop window (offscreen, the navigation pane attached and repainted).
//
//     build/bin/bench_tree_find

#include "model/project_file.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/toc_commands.h"
#include "ui/toc_undo.h"
#include "ui/topic_filter.h"
#include "ui/user_settings.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

using namespace parvane;

namespace {

class TSilentDialogs : public IDialogs {
public:
    TAnswer Ask(const QString&, TButtons, const QString&) override { return TAnswer::Yes; }
    void Error(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString OpenFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString SelectFolder(const QString&, const QString&) override { return {}; }
    int Exec(QDialog&) override { return QDialog::Rejected; }
    void OpenWithDesktop(const QString&) override {}
};

// 500 chapters of 99 pages, each page with two keywords; chapters collapsed.
QString WriteProject(const QString& folder) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.RootDir = folder.toStdString() + "/";
    for (int c = 0; c < 500; ++c) {
        TTopicNode* chapter = tree.AddTopicNode(tree.ContentsRoot(), "Chapter " + std::to_string(c),
                                                imLastChildOfReference, tsNoLink, 0, "");
        for (int p = 0; p < 99; ++p) {
            TTopicNode* page =
                tree.AddTopicNode(chapter, "Page " + std::to_string(c) + "." + std::to_string(p),
                                  imLastChildOfReference, tsLinked, 0,
                                  "c" + std::to_string(c) + "/p" + std::to_string(p) + ".htm");
            page->Data().Keywords =
                "keyword " + std::to_string(p) + "\r\ntopic " + std::to_string(c);
        }
    }
    const QString path = folder + "/big.pvx";
    project.SaveToFile(path.toStdString());
    return path;
}

double Timed(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents(); // the repaint
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = WriteProject(dir.path());
    TSilentDialogs dialogs;
    TMemorySettingsStore store;
    TfrmMain window(dialogs, store);
    window.resize(1000, 800);
    window.show();
    QApplication::processEvents();
    window.ProjectCommands().OpenProjectFile(path);
    QApplication::processEvents();
    TTopicTree& tree = window.Tree();
    std::printf("%d topics (500 chapters of 99 pages, two keywords each)\n", tree.Count() - 3);

    const char* const texts[] = {"Page 123.45", "keyword 7", "page", "zzz", ""};
    for (const char* text : texts) {
        std::size_t kept = 0;
        const double core = Timed([&] { kept = VisibleForFind(tree, text).size(); });
        const double view = Timed([&] { window.TreeView()->SetFilter(text); });
        std::printf("find %-14s core %7.1f ms  window %7.1f ms  (%zu nodes kept)\n",
                    ("\"" + std::string(text) + "\"").c_str(), core, view, kept);
    }

    // Deleting 500 topics spread over the chapters, then undoing and redoing it.
    std::vector<TTopicNode*> chosen;
    int i = 0;
    tree.ForEach([&](TTopicNode* node) {
        if (node->Level() == 2 && i++ % 99 == 0)
            chosen.push_back(node);
    });
    tree.SetSelections(chosen, chosen.front());
    TTreeCommands& commands = window.TreeCommands();
    std::printf("%-40s %8.1f ms\n", "delete 500 topics (with history)",
                Timed([&] { commands.tbDeleteClick(); }));
    std::printf("%-40s %8.1f ms\n", "undo it", Timed([&] { commands.UndoClick(); }));
    std::printf("%-40s %8.1f ms\n", "redo it", Timed([&] { commands.RedoClick(); }));
    tree.Select(tree.ContentsRoot()->Child(250));
    std::printf("%-40s %8.1f ms\n", "move one chapter up (with history)",
                Timed([&] { commands.tbMoveUpClick(); }));
    std::printf("%-40s %8.1f ms\n", "undo it", Timed([&] { commands.UndoClick(); }));
    window.Project().Modified = false;

    // The history's own share, without a window: the same project in a bare tree.
    TTopicTree bare;
    bare.CreateRootGroups();
    TPvx project(bare);
    project.LoadFromFile(path.toStdString());
    TTocUndoStack history;
    bare.Select(bare.ContentsRoot()->Child(250));
    std::printf("%-40s %8.1f ms\n", "core: move one chapter up, no history",
                Timed([&] { MoveSelectionUp(project); }));
    bare.Select(bare.ContentsRoot()->Child(250));
    std::printf("%-40s %8.1f ms\n", "core: move one chapter up, with history", Timed([&] {
                    history.Record(project, "Up", ParentsOfSelection(bare), true,
                                   [&] { MoveSelectionUp(project); });
                }));
    std::printf("%-40s %8.1f ms\n", "core: undo it", Timed([&] { history.Undo(project); }));
    return 0;
}
