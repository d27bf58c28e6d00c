// The wizard's choice to make a sub-folder's index page the page of its heading.

#include "test_dialogs.h"
#include "wizard/gui/new_project_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

class NewProjectFolderIndexTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("HOME", home.path().toUtf8());
    }

    void checkBoxFollowsSearchAndStructureAndIsPassedOn() {
        TTestDialogs dialogs;
        TfrmNew wizard(dialogs);
        QCOMPARE(wizard.cbFolderIndex->text(), QString("Use a folder's index page as its heading"));
        QVERIFY(!wizard.cbFolderIndex->isChecked());

        // A folder with pages below it turns the search on, and with it the choice.
        QDir(home.path()).mkpath("site/guide");
        QFile page(home.path() + "/site/guide/index.html");
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        wizard.edtRootFolder->setText(home.path() + "/site");
        QVERIFY(wizard.cbSearch->isChecked());
        QVERIFY(wizard.cbFolderIndex->isEnabled());
        wizard.cbFolderIndex->setChecked(true);
        QVERIFY(wizard.Options().FolderIndex);

        // Without the folders' headings there is nothing to give a page.
        wizard.cbKeepStructure->setChecked(false);
        QVERIFY(!wizard.cbFolderIndex->isEnabled());
        QVERIFY(!wizard.Options().FolderIndex);
        wizard.cbKeepStructure->setChecked(true);
        QVERIFY(wizard.Options().FolderIndex);

        wizard.cbSearch->setChecked(false);
        QVERIFY(!wizard.cbFolderIndex->isEnabled());
    }

private:
    QTemporaryDir home;
};

} // namespace parvane

QTEST_MAIN(parvane::NewProjectFolderIndexTest)
#include "new_project_folder_index_test.moc"
