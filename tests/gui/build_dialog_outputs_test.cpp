// The build dialog's PDF, EPUB and Qt Help pages: their checks, the question before a file
// of another kind is replaced, and an EPUB built from its page.

#include "output/gui/build_commands.h"
#include "output/gui/build_dialog.h"
#include "test_dialogs.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace parvane {

class BuildDialogOutputsTest : public QObject {
    Q_OBJECT

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void thePagesCheckTheirFileAndAskBeforeReplacingAnother() {
        QTemporaryDir dir;
        TTestDialogs dialogs;
        TBuildDialogValues values;
        values.Page = 3;
        TfrmCompiler dialog(dialogs, dir.path().toStdString() + "/", values);
        QCOMPARE(dialog.pcOutput->count(), 6);
        QCOMPARE(dialog.pcOutput->tabText(3), QString("PDF"));

        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs.errors.back(), QString("Please specify the PDF file!"));
        dialog.edtPdfFile->setText(dir.path());
        QVERIFY(!dialog.TryStart());
        QVERIFY(dialogs.errors.back().contains("is a folder"));

        // A file that is no PDF: the question, and No keeps the dialog open.
        WriteFile(dir.path() + "/notes.pdf", "my notes");
        dialog.edtPdfFile->setText("notes.pdf"); // relative: below the project root
        dialogs.answers << TAnswer::No;
        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs.questions.back().text,
                 "The file \"" + dir.path() + "/notes.pdf" +
                     "\" exists and is not a PDF file made by Parvane. Replace it?");
        // An earlier PDF is replaced without a question.
        WriteFile(dir.path() + "/notes.pdf", "%PDF-1.7 earlier");
        const int asked = dialogs.questions.size();
        QVERIFY(dialog.TryStart());
        QCOMPARE(dialogs.questions.size(), asked);

        dialog.cbPdfPageSize->setCurrentIndex(1);
        dialog.sePdfMargin->setValue(22);
        const TBuildDialogValues chosen = dialog.Values();
        QCOMPARE(chosen.PdfPageSize, std::string("Letter"));
        QCOMPARE(chosen.PdfMargin, 22);

        dialog.pcOutput->setCurrentIndex(5);
        QVERIFY(!dialog.TryStart());
        QCOMPARE(dialogs.errors.back(), QString("Please specify the Qt Help file!"));
    }

    void anEpubIsBuiltFromItsPage() {
        QTemporaryDir dir;
        const QString root = dir.path() + "/project/";
        QDir().mkpath(root);
        WriteFile(root + "intro.htm",
                  "<html><head><title>Intro</title></head><body><p>Hello</p></body></html>");
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.ResetToDefaults();
        project.ProjectSettings.RootDir = root.toStdString();
        project.ProjectSettings.Title = "Test";
        project.ProjectSettings.DefaultTopic = "intro.htm";
        project.ProjectSettings.CompiledFile = dir.path().toStdString() + "/out/help.chm";
        tree.AddTopicNode(tree.ContentsRoot(), "Intro", imLastChildOfReference, tsLinked, 0,
                          "intro.htm");

        QWidget window;
        TTestDialogs dialogs;
        TBuildCommands commands(&window, project, dialogs);
        QString proposed;
        dialogs.execs << [&proposed](QDialog& dialog) {
            auto* build = qobject_cast<TfrmCompiler*>(&dialog);
            if (!build || build->pcOutput->currentIndex() != 4)
                return int(QDialog::Rejected);
            proposed = build->edtEpubFile->text();
            return int(build->TryStart() ? QDialog::Accepted : QDialog::Rejected);
        };
        QVERIFY(commands.BuildOutput(5));
        // Beside the compiled help file, under its name.
        QCOMPARE(proposed, dir.path() + "/out/help.epub");
        QVERIFY(QFile::exists(dir.path() + "/out/help.epub"));
        QCOMPARE(QString::fromStdString(commands.LastResult().OutputFile),
                 dir.path() + "/out/help.epub");
        QCOMPARE(dialogs.opened, QStringList{dir.path() + "/out/help.epub"});
        QVERIFY(!project.Modified);
    }
};

} // namespace parvane

QTEST_MAIN(parvane::BuildDialogOutputsTest)
#include "build_dialog_outputs_test.moc"
