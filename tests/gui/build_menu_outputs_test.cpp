// The Build menu's PDF, EPUB and Qt Help entries: they need an open project, open the build
// dialog on their page, and what the author chooses there is kept with the project.

#include "output/gui/build_dialog.h"
#include "test_dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/user_settings.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

namespace {

// A project with one page and a default topic (so no warning window comes first).
QString WriteProject(const QString& folder) {
    QFile page(folder + "/intro.htm");
    if (page.open(QIODevice::WriteOnly))
        page.write("<html><head><title>Intro</title></head><body><p>Hello</p></body></html>");
    page.close();
    TTopicTree tree;
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.Title = "Menu";
    project.ProjectSettings.RootDir = folder.toStdString() + "/";
    project.ProjectSettings.DefaultTopic = "intro.htm";
    project.ProjectSettings.CompiledFile = "help.chm";
    tree.AddTopicNode(tree.ContentsRoot(), "Intro", imLastChildOfReference, tsLinked, 0,
                      "intro.htm");
    const QString path = folder + "/menu.pvx";
    project.SaveToFile(path.toStdString());
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class BuildMenuOutputsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<TTestDialogs>();
        store = std::make_unique<TMemorySettingsStore>();
        window = std::make_unique<TfrmMain>(*dialogs, *store);
    }

    void cleanup() {
        window.reset();
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void theEntriesFollowSingleHtmlAndNeedAProject() {
        QMenu* build = nullptr;
        for (QAction* action : window->menuBar()->actions())
            if (action->text() == "&Build")
                build = action->menu();
        QVERIFY(build);
        QStringList texts;
        for (QAction* action : build->actions())
            texts << action->text();
        const int single = texts.indexOf("Single HTML...");
        QVERIFY(single > 0);
        QCOMPARE(texts.mid(single + 1, 3), (QStringList{"PDF...", "EPUB...", "Qt Help..."}));

        window->Start({}); // the start dialog is cancelled: no project
        QVERIFY(window->NoProject());
        for (QAction* a : {window->actBuildPdf, window->actBuildEpub, window->actBuildQtHelp})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        QVERIFY(window->ProjectCommands().OpenProjectFile(WriteProject(dir->path())));
        for (QAction* a : {window->actBuildPdf, window->actBuildEpub, window->actBuildQtHelp})
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
        QVERIFY(window->ProjectCommands().CloseProject());
        QVERIFY(!window->actBuildQtHelp->isEnabled());
    }

    void eachEntryOpensTheDialogOnItsPage() {
        QVERIFY(window->ProjectCommands().OpenProjectFile(WriteProject(dir->path())));
        QStringList pages;
        QStringList files;
        const auto look = [&pages, &files](QDialog& dialog) {
            auto* build = qobject_cast<TfrmCompiler*>(&dialog);
            if (build) {
                pages << build->pcOutput->tabText(build->pcOutput->currentIndex());
                files << build->edtPdfFile->text() + "|" + build->edtEpubFile->text() + "|" +
                             build->edtQtHelpFile->text();
            }
            return int(QDialog::Rejected);
        };
        for (QAction* a : {window->actBuildPdf, window->actBuildEpub, window->actBuildQtHelp}) {
            dialogs->execs << look;
            a->trigger();
        }
        QCOMPARE(pages, (QStringList{"PDF", "EPUB e-book", "Qt Help"}));
        // A project that names no file proposes the compiled file's name.
        QCOMPARE(files.front(), QString("help.pdf|help.epub|help.qch"));
        QVERIFY(!window->Project().Modified); // Cancel changes nothing
    }

    void theChosenFilesAndPaperSurviveSaveAndReopen() {
        const QString path = WriteProject(dir->path());
        QVERIFY(window->ProjectCommands().OpenProjectFile(path));
        // The PDF page's choices are taken with the Start of any page, as the other pages'
        // are; the EPUB is built, since it needs no printer.
        dialogs->execs << [](QDialog& dialog) {
            auto* build = qobject_cast<TfrmCompiler*>(&dialog);
            if (!build || build->pcOutput->currentIndex() != 4)
                return int(QDialog::Rejected);
            build->edtPdfFile->setText("print\\manual.pdf");
            build->cbPdfPageSize->setCurrentText("Letter");
            build->sePdfMargin->setValue(22);
            build->edtEpubFile->setText("books/guide.epub");
            return int(build->TryStart() ? QDialog::Accepted : QDialog::Rejected);
        };
        window->actBuildEpub->trigger();
        QVERIFY(QFile::exists(dir->path() + "/books/guide.epub"));
        QVERIFY(window->Project().Modified);
        QVERIFY(window->ProjectCommands().SaveProject());
        const QByteArray saved = ReadAll(path);
        QVERIFY(saved.contains("\r\nPdfFile=print\\manual.pdf\r\nPdfPageSize=Letter\r\n"
                               "PdfMargin=22\r\nEpubFile=books/guide.epub\r\n"));
        QVERIFY(!saved.contains("QtHelpFile")); // never chosen: not written
        QVERIFY(window->ProjectCommands().CloseProject());

        QVERIFY(window->ProjectCommands().OpenProjectFile(path));
        QString shown;
        dialogs->execs << [&shown](QDialog& dialog) {
            auto* build = qobject_cast<TfrmCompiler*>(&dialog);
            if (build)
                shown = build->edtPdfFile->text() + "|" + build->cbPdfPageSize->currentText() +
                        "|" + QString::number(build->sePdfMargin->value()) + "|" +
                        build->edtEpubFile->text() + "|" + build->edtQtHelpFile->text();
            return int(QDialog::Rejected);
        };
        window->actBuildPdf->trigger();
        QCOMPARE(shown, QString("print\\manual.pdf|Letter|22|books/guide.epub|help.qch"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TMemorySettingsStore> store;
    std::unique_ptr<TfrmMain> window;
};

} // namespace parvane

QTEST_MAIN(parvane::BuildMenuOutputsTest)
#include "build_menu_outputs_test.moc"
