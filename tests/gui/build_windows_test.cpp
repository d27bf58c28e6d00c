// Building from the desktop: the warning window, the build dialog's checks and folder
// questions, a whole build on the worker thread with its progress lines, and the view
// commands.

#include "output/gui/build_commands.h"
#include "output/gui/build_dialog.h"
#include "output/gui/build_windows.h"
#include "test_dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace parvane {

class BuildWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<TTestDialogs>();
        tree = std::make_unique<TTopicTree>();
        tree->CreateRootGroups();
        project = std::make_unique<TPvx>(*tree);
        project->ResetToDefaults();
        root = dir->path() + "/project/";
        QDir().mkpath(root);
        WriteFile(root + "intro.htm",
                  "<html><head><title>Intro</title></head><body><p>Hello</p></body></html>");
        project->ProjectSettings.RootDir = root.toStdString();
        project->ProjectSettings.Title = "Test";
        project->ProjectSettings.SingleHtmlFilename = "single.htm";
        tree->AddTopicNode(tree->ContentsRoot(), "Intro", imLastChildOfReference, tsLinked, 0,
                           "intro.htm");
        project->UpdateTopicImages();
        project->Modified = false;
    }

    void cleanup() {
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void startChecksTheActivePageFirst() {
        TBuildDialogValues values;
        values.Page = 1;
        TfrmCompiler dialog(*dialogs, root.toStdString(), values);
        QCOMPARE(dialog.windowTitle(), QString("Build help file"));
        QCOMPARE(dialog.pcOutput->currentIndex(), 1);
        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs->errors, QStringList{"Please specify Output folder!"});

        // The Workshop project folder is usable only with its check box.
        dialog.pcOutput->setCurrentIndex(0);
        QVERIFY(!dialog.edtHHPFolder->isEnabled());
        dialog.cbDeleteProject->setChecked(true);
        QVERIFY(dialog.edtHHPFolder->isEnabled());
        dialog.edtHHPFolder->setText(root);
        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs->errors.back(),
                 QString("Html Help Workshop project folder cannot be the same as the Project "
                         "Rootfolder. Please specify another one!"));
    }

    void emptyingAFolderIsAskedAndNoKeepsTheDialogOpen() {
        TBuildDialogValues values;
        values.Page = 2;
        values.SingleHtmlOutputFolder = dir->path().toStdString();
        values.SingleHtmlFilename = "x.htm";
        TfrmCompiler dialog(*dialogs, root.toStdString(), values);
        dialogs->answers << TAnswer::No;
        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs->questions.back().text,
                 "Before output, the folder \"" + dir->path() + "\" will be emptied! Continue?");

        dialog.edtSingleFolder->setText("/q");
        dialogs->answers << TAnswer::Yes;
        QVERIFY(dialog.TryStart());
        QCOMPARE(dialogs->questions.back().text,
                 QString("The folder \"/q\" may be a HARD DRIVER root folder. Really continue?"));
    }

    void cancelAtTheWarningLeavesTheProjectUnchanged() {
        TBuildCommands commands(&window, *project, *dialogs);
        QVERIFY(!commands.BuildOutput(3));
        QCOMPARE(dialogs->dialogNames, QStringList{"frmWarning"});
        QVERIFY(!project->Modified);
    }

    void webHelpAndHtmlHelpBuildFromTheirDialogPages() {
        TBuildCommands commands(&window, *project, *dialogs);
        commands.CanShowCompiledHelp = [] { return true; };
        project->ProjectSettings.DefaultTopic = "intro.htm";
        const QString web = dir->path() + "/web/";
        const QString chm = dir->path() + "/chm/help.chm";
        // Each build: the dialog on its page, the location typed, Start.
        const auto start = [](int page, const std::function<void(TfrmCompiler&)>& fill) {
            return [page, fill](QDialog& dialog) {
                auto* build = qobject_cast<TfrmCompiler*>(&dialog);
                if (!build || build->pcOutput->currentIndex() != page)
                    return int(QDialog::Rejected);
                fill(*build);
                return int(build->TryStart() ? QDialog::Accepted : QDialog::Rejected);
            };
        };
        dialogs->execs << start(1, [&](TfrmCompiler& b) { b.edtWebHelpFolder->setText(web); });
        QVERIFY(commands.BuildOutput(2));
        QVERIFY(QFileInfo::exists(web + "index.htm"));
        QVERIFY(QFileInfo::exists(web + "scr/intro.htm"));
        QCOMPARE(dialogs->opened, QStringList{web + "index.htm"});

        dialogs->execs << start(0, [&](TfrmCompiler& b) { b.edtCompiledFile->setText(chm); });
        QVERIFY2(commands.BuildOutput(1), qPrintable(commands.OutputWindow()->Lines().join('\n')));
        QFile compiled(chm);
        QVERIFY(compiled.open(QIODevice::ReadOnly));
        QCOMPARE(compiled.read(4), QByteArray("ITSF"));
        QCOMPARE(dialogs->opened.size(), 2);
        QCOMPARE(dialogs->opened.back(), chm);
        QVERIFY(dialogs->errors.isEmpty());
    }

    void aSingleHtmlBuildReportsItsLinesAndOpensThePage() {
        TBuildCommands commands(&window, *project, *dialogs);
        const QString out = dir->path() + "/out/";
        QStringList warnings;
        bool busyDuringBuild = false;
        commands.SetBusy = [&](bool busy) { busyDuringBuild = busyDuringBuild || busy; };
        dialogs->execs << [&](QDialog& dialog) {
            auto* warning = qobject_cast<TfrmWarning*>(&dialog);
            for (int i = 0; i < warning->lbWarnings->count(); ++i)
                warnings << warning->lbWarnings->item(i)->text();
            return int(QDialog::Accepted);
        };
        dialogs->execs << [&](QDialog& dialog) {
            auto* build = qobject_cast<TfrmCompiler*>(&dialog);
            if (build->pcOutput->currentIndex() != 2)
                return int(QDialog::Rejected);
            build->edtSingleFolder->setText(out);
            return int(build->TryStart() ? QDialog::Accepted : QDialog::Rejected);
        };
        QVERIFY(commands.BuildOutput(3));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.front().startsWith("Warning: You have not specified a default topic."));
        QVERIFY(busyDuringBuild);
        const QStringList lines = commands.OutputWindow()->Lines();
        QVERIFY2(lines.contains("Reading TOC...") && lines.contains("Completed."),
                 qPrintable(lines.join('\n')));
        QVERIFY(QFileInfo::exists(out + "single.htm"));
        QCOMPARE(dialogs->opened.size(), 1);
        QVERIFY(dialogs->opened.front().endsWith("single.htm"));
        QCOMPARE(QString::fromStdString(project->ProjectSettings.SingleHtmlOutputFolder), out);
        QVERIFY(project->Modified);
        QVERIFY(commands.OutputWindow()->btnClose->isEnabled());
    }

    void viewCommandsOfferToBuildWhatIsMissing() {
        TBuildCommands commands(&window, *project, *dialogs);
        project->ProjectSettings.SingleHtmlOutputFolder = (dir->path() + "/none/").toStdString();
        project->ProjectSettings.WebHelpOutputFolder = (dir->path() + "/web/").toStdString();
        project->ProjectSettings.CompiledFile = "help.chm";
        dialogs->answers << TAnswer::No << TAnswer::No << TAnswer::No;
        commands.ViewSingleHtml();
        commands.ViewWebHelp();
        commands.ViewHtmlHelp();
        QCOMPARE(dialogs->questions.size(), 3);
        QCOMPARE(dialogs->questions[0].text,
                 QString("Single HTML file hasn't been created, create it?"));
        QCOMPARE(dialogs->questions[1].text, QString("Web Help hasn't been created, create it?"));
        QCOMPARE(dialogs->questions[2].text,
                 QString("Html Help file hasn't been created, create it?"));
        QVERIFY(dialogs->dialogNames.isEmpty());

        QDir().mkpath(dir->path() + "/web");
        WriteFile(dir->path() + "/web/index.htm", "<html></html>");
        commands.ViewWebHelp();
        QCOMPARE(dialogs->opened, QStringList{dir->path() + "/web/index.htm"});
    }

    void compiledHelpWithoutAViewerTellsWhereItIs() {
        TBuildCommands commands(&window, *project, *dialogs);
        project->ProjectSettings.CompiledFile = (dir->path() + "/help.chm").toStdString();
        WriteFile(dir->path() + "/help.chm", "ITSF");
        commands.CanShowCompiledHelp = [] { return false; };
        commands.ViewHtmlHelp();
        QVERIFY(dialogs->opened.isEmpty());
        QCOMPARE(dialogs->errors.size(), 1);
        QVERIFY(dialogs->errors[0].startsWith("No program to show compiled help (.chm) files"));
        QVERIFY(dialogs->errors[0].contains(dir->path() + "/help.chm"));

        commands.CanShowCompiledHelp = [] { return true; };
        commands.ViewHtmlHelp();
        QCOMPARE(dialogs->opened, QStringList{dir->path() + "/help.chm"});
    }

private:
    static void WriteFile(const QString& path, const QByteArray& text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QWidget window;
    QString root;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TTopicTree> tree;
    std::unique_ptr<TPvx> project;
};

} // namespace parvane

QTEST_MAIN(parvane::BuildWindowsTest)
#include "build_windows_test.moc"
