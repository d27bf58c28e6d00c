// The "Environment Options" dialog: what OK writes, the row and font list buttons, the
// source font, and Cancel.

#include "settings/app_options.h"
#include "settings/gui/options_dialog.h"
#include "test_dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace parvane;

namespace {

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QStringList SelectedTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            texts << list->item(i)->text();
    return texts;
}

void Select(QListWidget* list, const QStringList& texts) {
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(texts.contains(list->item(i)->text()));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

TAppOptions SomeOptions() {
    TAppOptions options;
    options.SourceFont = "Courier New,10,0,[]";
    options.PreviewWithTemplate = true;
    options.Fonts = {"Verdana", "Arial"};
    options.DefaultEditor = "/usr/bin/b";
    options.Editors = {"/usr/bin/a", "/usr/bin/b", "/usr/bin/c", "/usr/bin/d"};
    return options;
}

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void okWritesTheWholeFileInItsLayout();
    void cancelChangesNothing();
    void editorRowsMoveDeleteAndTakeTheDefault();
    void fontListsMoveSortAndEnableTheirButtons();
    void changingTheSourceFontWritesItsString();
    void detectAddsInstalledEditorsOnce();
};

void OptionsDialogTest::okWritesTheWholeFileInItsLayout() {
    QTemporaryDir dir;
    const QString path = dir.filePath("options.ini");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[Other]\r\nKey=1\r\n\r\n[General]\r\nSourceFont=x\r\n");
    }
    TTestDialogs dialogs;
    dialogs.execs << [](QDialog& dialog) {
        auto& form = static_cast<TfrmOptions&>(dialog);
        // Opened on the requested page.
        if (form.pcOptions->currentIndex() != TfrmOptions::pgEditors)
            return int(QDialog::Rejected);
        form.cbPreviewWithTemplate->setChecked(false);
        Select(form.lbEditors, {"/usr/bin/c"});
        form.btnDefault->click();
        return int(QDialog::Accepted);
    };
    TAppOptions options = SomeOptions();
    QVERIFY(RunEnvironmentOptions(nullptr, options, dialogs, TfrmOptions::pgEditors,
                                  path.toStdString()));
    QCOMPARE(dialogs.dialogNames, QStringList{"frmOptions"});
    QCOMPARE(options.DefaultEditor, std::string("/usr/bin/c"));
    QVERIFY(!options.PreviewWithTemplate);
    const QByteArray expected = "[General]\r\n"
                                "SourceFont=Courier New,10,0,[]\r\n"
                                "PreviewWithTemplate=0\r\n"
                                "\r\n"
                                "[FONTLIST]\r\n"
                                "Count=2\r\n"
                                "Font0=Verdana\r\n"
                                "Font1=Arial\r\n"
                                "\r\n"
                                "[ExternalEditor]\r\n"
                                "Default=/usr/bin/c\r\n"
                                "Count=4\r\n"
                                "Editor0=/usr/bin/a\r\n"
                                "Editor1=/usr/bin/b\r\n"
                                "Editor2=/usr/bin/c\r\n"
                                "Editor3=/usr/bin/d\r\n"
                                "\r\n";
    QCOMPARE(ReadAll(path), expected);
    QVERIFY(ReadOptionsFile(path.toStdString()) == options);
}

void OptionsDialogTest::cancelChangesNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath("options.ini");
    TTestDialogs dialogs;
    dialogs.execs << [](QDialog& dialog) {
        auto& form = static_cast<TfrmOptions&>(dialog);
        form.btnClear->click();
        form.cbPreviewWithTemplate->setChecked(false);
        return int(QDialog::Rejected);
    };
    TAppOptions options = SomeOptions();
    QVERIFY(!RunEnvironmentOptions(nullptr, options, dialogs, TfrmOptions::pgGeneral,
                                   path.toStdString()));
    QVERIFY(options == SomeOptions());
    QVERIFY(!QFile::exists(path));
}

void OptionsDialogTest::editorRowsMoveDeleteAndTakeTheDefault() {
    TTestDialogs dialogs;
    TfrmOptions form(SomeOptions(), dialogs, nullptr, {"Arial"});
    QListWidget* list = form.lbEditors;
    // The default editor's row is bold.
    QVERIFY(list->item(1)->font().bold());
    QVERIFY(!list->item(0)->font().bold());

    // A selected block at the top stays; the row below it moves up past its neighbour.
    Select(list, {"/usr/bin/a", "/usr/bin/c"});
    form.btnUp->click();
    QCOMPARE(Texts(list), (QStringList{"/usr/bin/a", "/usr/bin/c", "/usr/bin/b", "/usr/bin/d"}));
    QCOMPARE(SelectedTexts(list), (QStringList{"/usr/bin/a", "/usr/bin/c"}));
    form.btnDown->click();
    form.btnDown->click();
    QCOMPARE(Texts(list), (QStringList{"/usr/bin/b", "/usr/bin/d", "/usr/bin/a", "/usr/bin/c"}));
    QCOMPARE(SelectedTexts(list), (QStringList{"/usr/bin/a", "/usr/bin/c"}));
    form.btnDown->click(); // the block at the bottom stays
    QCOMPARE(Texts(list), (QStringList{"/usr/bin/b", "/usr/bin/d", "/usr/bin/a", "/usr/bin/c"}));

    // Delete selects the row that takes the first deleted row's place, or the last row.
    Select(list, {"/usr/bin/d"});
    form.btnDelete->click();
    QCOMPARE(Texts(list), (QStringList{"/usr/bin/b", "/usr/bin/a", "/usr/bin/c"}));
    QCOMPARE(SelectedTexts(list), QStringList{"/usr/bin/a"});
    Select(list, {"/usr/bin/c"});
    form.btnDelete->click();
    QCOMPARE(SelectedTexts(list), QStringList{"/usr/bin/a"});

    // Add appends the chosen file; a cancelled file dialog adds nothing.
    dialogs.openFiles << "/opt/editor/run";
    form.btnAdd->click();
    form.btnAdd->click();
    QCOMPARE(Texts(list), (QStringList{"/usr/bin/b", "/usr/bin/a", "/opt/editor/run"}));

    Select(list, {"/opt/editor/run"});
    form.btnDefault->click();
    QVERIFY(list->item(2)->font().bold());
    QVERIFY(!list->item(0)->font().bold());
    QCOMPARE(form.Result().DefaultEditor, std::string("/opt/editor/run"));

    form.btnClear->click();
    QCOMPARE(list->count(), 0);
    QVERIFY(form.Result().Editors.empty());
}

void OptionsDialogTest::fontListsMoveSortAndEnableTheirButtons() {
    TTestDialogs dialogs;
    TfrmOptions form(SomeOptions(), dialogs, nullptr, {"Verdana", "Tahoma", "Arial", "Courier"});
    // The current fonts are not offered again; all fonts are sorted.
    QCOMPARE(Texts(form.lbAllFonts), (QStringList{"Courier", "Tahoma"}));
    QCOMPARE(Texts(form.lbCurrentFonts), (QStringList{"Verdana", "Arial"}));

    Select(form.lbAllFonts, {"Tahoma"});
    form.btnSelect->click();
    QCOMPARE(Texts(form.lbCurrentFonts), (QStringList{"Verdana", "Arial", "Tahoma"}));
    QCOMPARE(Texts(form.lbAllFonts), QStringList{"Courier"});

    Select(form.lbCurrentFonts, {"Tahoma"});
    form.btnFontUp->click();
    QCOMPARE(Texts(form.lbCurrentFonts), (QStringList{"Verdana", "Tahoma", "Arial"}));

    form.btnSelectAll->click();
    QCOMPARE(form.lbAllFonts->count(), 0);
    QVERIFY(!form.btnSelect->isEnabled());
    QVERIFY(!form.btnSelectAll->isEnabled());
    QVERIFY(form.btnUnselect->isEnabled());

    form.btnSort->click();
    QCOMPARE(Texts(form.lbCurrentFonts), (QStringList{"Arial", "Courier", "Tahoma", "Verdana"}));

    // Back to the left they go in sorted order.
    Select(form.lbCurrentFonts, {"Verdana", "Arial"});
    form.btnUnselect->click();
    QCOMPARE(Texts(form.lbAllFonts), (QStringList{"Arial", "Verdana"}));
    form.btnUnselectAll->click();
    QCOMPARE(Texts(form.lbAllFonts), (QStringList{"Arial", "Courier", "Tahoma", "Verdana"}));
    QVERIFY(!form.btnUnselect->isEnabled());
    QVERIFY(!form.btnUnselectAll->isEnabled());
    QVERIFY(form.Result().Fonts.empty());
}

void OptionsDialogTest::changingTheSourceFontWritesItsString() {
    TTestDialogs dialogs;
    TAppOptions options = SomeOptions();
    options.SourceFont = "Courier New,10,255,[]";
    TfrmOptions form(options, dialogs, nullptr, {"Arial"});
    QString presetFamily;
    int presetSize = 0;
    form.FontPrompt = [&](QFont& font) {
        presetFamily = font.family();
        presetSize = font.pointSize();
        font.setFamily("DejaVu Sans Mono");
        font.setPointSize(12);
        font.setBold(true);
        font.setItalic(true);
        return true;
    };
    form.btnChangeFont->click();
    QCOMPARE(presetFamily, QStringLiteral("Courier New"));
    QCOMPARE(presetSize, 10);
    // The colour of the string is kept: the font dialog does not choose one.
    QCOMPARE(form.edtSourceFont->text(), QStringLiteral("DejaVu Sans Mono,12,255,[BI]"));

    form.FontPrompt = [](QFont& font) {
        font.setPointSize(30);
        return false;
    };
    form.btnChangeFont->click();
    QCOMPARE(form.edtSourceFont->text(), QStringLiteral("DejaVu Sans Mono,12,255,[BI]"));
    QCOMPARE(form.Result().SourceFont, std::string("DejaVu Sans Mono,12,255,[BI]"));
}

void OptionsDialogTest::detectAddsInstalledEditorsOnce() {
    QTemporaryDir dir;
    const QString program = dir.filePath("pageedit");
    {
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QVERIFY(QDir(dir.path()).mkpath("data/applications"));
    {
        QFile desktop(dir.filePath("data/applications/pageedit.desktop"));
        QVERIFY(desktop.open(QIODevice::WriteOnly));
        desktop.write(("[Desktop Entry]\nType=Application\nName=Page Editor\nExec=" + program +
                       " %U\nMimeType=text/html;application/xhtml+xml;\n")
                          .toUtf8());
    }
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath("none").toUtf8());
    TTestDialogs dialogs;
    TAppOptions options = SomeOptions();
    options.Editors = {"/usr/bin/a"};
    TfrmOptions form(options, dialogs, nullptr, {"Arial"});
    form.btnDetect->click();
    form.btnDetect->click();
    const QStringList rows = Texts(form.lbEditors);
    Select(form.lbEditors, {rows.value(1)});
    const QString description = form.lblDescription->text();
    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_DATA_DIRS", oldDirs);
    // Found under both .htm and .html, and detected twice: one row.
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0), QStringLiteral("/usr/bin/a"));
    QVERIFY2(rows.at(1).startsWith(program), qPrintable(rows.at(1)));
    QCOMPARE(description, QStringLiteral("Page Editor"));
}

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
