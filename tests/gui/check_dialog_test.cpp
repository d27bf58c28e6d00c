// Tools > Check Project: the findings list (sorting, the severity filter) and a double-click
// that takes the author to the topic and the line of the page in the Source tab.

#include "output/gui/check_dialog.h"
#include "test_dialogs.h"
#include "ui/gui/check_commands.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/user_settings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include <filesystem>

namespace parvane {

namespace {

QAction* MenuEntry(QMenuBar* bar, const QString& text) {
    for (QAction* menu : bar->actions())
        if (menu->menu())
            for (QAction* entry : menu->menu()->actions())
                if (entry->text() == text)
                    return entry;
    return nullptr;
}

TCheckFinding Finding(CheckSeverity severity, const std::string& code, const std::string& page,
                      int line) {
    TCheckFinding f;
    f.Severity = severity;
    f.Code = code;
    f.Page = page;
    f.Line = line;
    f.Message = code;
    return f;
}

QStringList VisibleColumn(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (!list->topLevelItem(i)->isHidden())
            out << list->topLevelItem(i)->text(column);
    return out;
}

} // namespace

class CheckDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
    }

    void listSortsBySeverityAndLineAndFilters() {
        TfrmCheckProject window;
        TCheckReport report;
        report.Findings = {Finding(CheckSeverity::Note, "contents-only", "a.htm", 0),
                           Finding(CheckSeverity::Error, "missing-target", "a.htm", 10),
                           Finding(CheckSeverity::Warning, "case-mismatch", "a.htm", 9),
                           Finding(CheckSeverity::Error, "missing-target", "a.htm", 2)};
        window.ShowReport(report);
        QCOMPARE(window.lvFindings->topLevelItemCount(), 4);
        // Errors first, in the order found.
        QCOMPARE(VisibleColumn(window.lvFindings, 0),
                 (QStringList{"error", "error", "warning", "note"}));
        // Lines sort as numbers, not as text ("10" after "9").
        window.lvFindings->sortByColumn(2, Qt::AscendingOrder);
        QCOMPARE(VisibleColumn(window.lvFindings, 2), (QStringList{"", "2", "9", "10"}));
        QVERIFY(window.lblSummary->text().startsWith("2 error(s), 1 warning(s), 1 note(s)"));

        window.SetSeverityFilter(int(CheckSeverity::Warning));
        QCOMPARE(VisibleColumn(window.lvFindings, 3), QStringList{"case-mismatch"});
        window.cbSeverity->setCurrentIndex(1); // errors
        QCOMPARE(VisibleColumn(window.lvFindings, 3),
                 (QStringList{"missing-target", "missing-target"}));
        window.cbSeverity->setCurrentIndex(0);
        QCOMPARE(VisibleColumn(window.lvFindings, 3).size(), 4);

        // Activating an item hands over its own finding, whatever the sort order.
        QSignalSpy activated(&window, &TfrmCheckProject::FindingActivated);
        QTreeWidgetItem* nine = window.lvFindings->findItems("9", Qt::MatchExactly, 2).value(0);
        QVERIFY(nine);
        emit window.lvFindings->itemActivated(nine, 0);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0).at(0).value<TCheckFinding>().Code, std::string("case-mismatch"));
    }

    void checkFromTheMenuAndGoToTheLine() {
        QTemporaryDir dir;
        const std::string base = dir.path().toStdString();
        std::filesystem::copy(std::string(PARVANE_TEST_DATA) + "/projects/check", base,
                              std::filesystem::copy_options::recursive);
        TTestDialogs dialogs;
        TMemorySettingsStore store;
        TfrmMain window(dialogs, store);
        QVERIFY(window.ProjectCommands().OpenProjectFile(QString::fromStdString(base + "/faults.pvx")));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QAction* entry = MenuEntry(window.menuBar(), "Check Project...");
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        TfrmCheckProject* frm = window.CheckCommands().Window();
        QVERIFY(frm);
        QSignalSpy finished(frm, &TfrmCheckProject::CheckFinished);
        QVERIFY(finished.wait(20000));
        // The committed project without its outside link target: the same findings as the
        // command line gives.
        const TCheckReport expected = CheckProject(window.Project());
        QCOMPARE(frm->lvFindings->topLevelItemCount(), int(expected.Findings.size()));
        QVERIFY(frm->lvFindings->topLevelItemCount() > 10);

        // Double-click on "missing.htm" (line 5 of index.htm): the Home topic, Source tab,
        // line 5 selected.
        QTreeWidgetItem* item = nullptr;
        for (int i = 0; i < frm->lvFindings->topLevelItemCount(); ++i)
            if (frm->lvFindings->topLevelItem(i)->text(5) == "missing.htm")
                item = frm->lvFindings->topLevelItem(i);
        QVERIFY(item);
        emit frm->lvFindings->itemActivated(item, 0);
        QVERIFY(window.Tree().Selected());
        QCOMPARE(window.Tree().Selected()->Text(), std::string("Home"));
        TSourceEdit* source = window.EditorPane()->mmSource->Edit();
        QTRY_COMPARE_WITH_TIMEOUT(window.EditorPane()->currentIndex(), int(TEditorTab::Source),
                                  10000);
        QTRY_COMPARE_WITH_TIMEOUT(source->textCursor().block().blockNumber(), 4, 10000);
        QVERIFY(source->textCursor().selectedText().contains("missing.htm"));

        // A topic finding without a page selects the topic only.
        TCheckFinding topic;
        topic.Code = "bad-context-number";
        topic.Topic = "Lonely";
        QVERIFY(window.CheckCommands().ShowFinding(topic));
        QCOMPARE(window.Tree().Selected()->Text(), std::string("Lonely"));
        // An orphan page no topic shows: nothing selected changes, the status line says so.
        TCheckFinding orphan;
        orphan.Code = "orphan-page";
        orphan.Page = "orphan.htm";
        QVERIFY(!window.CheckCommands().ShowFinding(orphan));
        QCOMPARE(window.Tree().Selected()->Text(), std::string("Lonely"));

        window.EditorPane()->DiscardChanges();
        window.Project().Modified = false;
        QVERIFY2(dialogs.unexpected.isEmpty(), qPrintable(dialogs.unexpected.join(" | ")));
    }

    void cleanupTestCase() { QFile::remove(QString::fromStdString(UserOptionsFile())); }

private:
    std::unique_ptr<QTemporaryDir> config;
};

} // namespace parvane

QTEST_MAIN(parvane::CheckDialogTest)
#include "check_dialog_test.moc"
