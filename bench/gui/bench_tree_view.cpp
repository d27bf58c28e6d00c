// Times the desktop's navigation pane on a 10,000-topic project: opening it until the
// tree is painted, and moving or dropping 1,000 selected topics with the view attached.
//
//     build/bin/bench_tree_view

#include "model/project_file.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/toc_commands.h"
#include "ui/user_settings.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

using namespace parvane;

namespace {

// Answers nothing: the benchmark asks no questions.
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

QString WriteProject(const QString& folder) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.RootDir = folder.toStdString() + "/";
    for (int c = 0; c < 100; ++c) {
        TTopicNode* chapter = tree.AddTopicNode(tree.ContentsRoot(), "Chapter " + std::to_string(c),
                                                imLastChildOfReference, tsNoLink, 0, "");
        for (int p = 0; p < 99; ++p)
            tree.AddTopicNode(chapter, "Page " + std::to_string(p), imLastChildOfReference,
                              tsLinked, 0,
                              "c" + std::to_string(c) + "p" + std::to_string(p) + ".htm");
        chapter->SetExpanded(true);
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
    // Runs without a display unless one is asked for.
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

    std::printf("10,000 topics (100 chapters of 99 pages, chapters expanded)\n");
    std::printf("%-40s %8.1f ms\n", "open the project and paint the tree",
                Timed([&] { window.ProjectCommands().OpenProjectFile(path); }));

    TTopicTree& tree = window.Tree();
    const auto select = [&] {
        std::vector<TTopicNode*> nodes;
        int i = 0;
        tree.ForEach([&](TTopicNode* node) {
            if (node->Level() == 2 && i++ % 10 == 0)
                nodes.push_back(node);
        });
        nodes.resize(std::min<std::size_t>(nodes.size(), 1000));
        tree.SetSelections(nodes, nodes.front());
        QApplication::processEvents();
    };
    TTreeCommands& commands = window.TreeCommands();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"move 1,000 selected up", [&] { commands.tbMoveUpClick(); }},
        {"move 1,000 selected down", [&] { commands.tbMoveDownClick(); }},
        {"move 1,000 selected right", [&] { commands.tbMoveRightClick(); }},
        {"move 1,000 selected left", [&] { commands.tbMoveLeftClick(); }},
        {"drop 1,000 selected after a chapter",
         [&] { commands.DropSelection(tree.ContentsRoot()->Child(0), DropMode::After); }},
    };
    for (const auto& [name, step] : steps) {
        select();
        std::printf("%-40s %8.1f ms\n", name, Timed(step));
    }
    window.Project().Modified = false;
    return 0;
}
