// The project settings dialog: every control stored on OK, nothing on Cancel (the window
// designer's edits included), the enabling rules, the pickers behind the buttons, and the
// four locations exchanged with the build dialog.

#include "output/build_driver.h"
#include "settings/gui/designer_dialog.h"
#include "settings/gui/settings_dialog.h"
#include "test_dialogs.h"
#include "ui/gui/select_topic_dialog.h"
#include "ui/gui/tree_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

namespace {

std::vector<std::string> WindowLines(const THelpWindowSettings& settings) {
    std::vector<std::string> lines;
    settings.WriteTo(lines);
    return lines;
}

template <typename T> T& As(QDialog& dialog) {
    auto* typed = qobject_cast<T*>(&dialog);
    if (!typed)
        qFatal("unexpected dialog %s", qPrintable(dialog.objectName()));
    return *typed;
}

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<TTestDialogs>();
        images = std::make_unique<TTreeImages>();
        tree = std::make_unique<TTopicTree>();
        tree->CreateRootGroups();
        project = std::make_unique<TPvx>(*tree);
        project->ResetToDefaults();
        root = dir->path() + "/project/";
        QDir().mkpath(root);
        project->ProjectSettings.RootDir = root.toStdString();
        project->ProjectSettings.Title = "Manual";
        tree->AddTopicNode(tree->ContentsRoot(), "Intro", imLastChildOfReference, tsLinked, 0,
                           "intro.htm");
        tree->AddTopicNode(tree->TemplatesRoot(), "Blue", imLastChildOfReference, tsLinked, 0,
                           "blue\\index.htm");
        project->UpdateTopicImages();
        project->Modified = false;
    }

    void cleanup() {
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void okWritesEveryControlBack() {
        dialogs->execs << [](QDialog& d) {
            auto& s = As<TfrmSettings>(d);
            s.edtTitle->setText("  User Guide  ");
            s.edtRootDir->setText("/tmp/guide/");
            s.cbHasChild->setCurrentIndex(4);
            s.cbNoChild->setCurrentIndex(41);
            s.cbEncoding->setCurrentIndex(
                s.cbEncoding->findText("Cyrillic (Windows); Windows-1251"));
            s.rbCustomTemplate->setChecked(true);
            s.edtCustomTemplate->setText("/tmp/custom.htm");
            s.edtDefaultTopic->setText("intro.htm");
            s.cbLanguage->setCurrentIndex(s.cbLanguage->findText("0x0419 Russian"));
            s.edtHtmlHelpTemplate->setText("blue\\index.htm");
            s.cbHtmlHelpTitleSame->setChecked(false);
            s.edtHtmlHelpTitle->setText("CHM title");
            s.edtCompiledFile->setText("/tmp/out/guide.chm");
            s.cbWebHelpTemplateSame->setChecked(false);
            s.edtWebHelpTemplate->setText("web\\index.htm");
            s.cbWebHelpTitleSame->setChecked(false);
            s.edtWebHelpTitle->setText("Web title");
            s.cbWebHelpDefaultSame->setChecked(false);
            s.edtWebHelpDefault->setText("start.htm");
            s.edtWebHelpOutputFolder->setText("/tmp/web/");
            s.edtNavWidth->setValue(321);
            s.cbStartFromRoot->setChecked(false);
            s.cbDrawLines->setChecked(false);
            s.cbAutoCollapse->setChecked(true);
            s.cbRealColorIcon->setChecked(true);
            s.edtWebFontColor->setText("#112233");
            s.edtWebBackColor->setText("#445566");
            s.cbShowIndex->setChecked(false);
            s.cbWebHelpSearch->setChecked(false);
            s.edtSingleHtmlOutputFolder->setText("/tmp/single/");
            s.edtSingleHtmlFilename->setText("all.htm");
            s.cbSingleHtmlSame->setChecked(false);
            s.edtSingleHtmlTitle->setText("Single title");
            s.cbSingleHtmlHasToc->setChecked(true);
            s.cbHeadProperties->setCurrentIndex(0);
            s.cbPageProperties->setCurrentIndex(0);
            return int(QDialog::Accepted);
        };
        QVERIFY(RunProjectSettings(nullptr, *project, *dialogs, *images, spGeneral));
        const TProjectSettings& p = project->ProjectSettings;
        QCOMPARE(p.Title, std::string("User Guide"));
        QCOMPARE(p.RootDir, std::string("/tmp/guide/"));
        QCOMPARE(p.HasChild, 4);
        QCOMPARE(p.NoChild, 41);
        QCOMPARE(p.Encoding, std::string(" Windows-1251"));
        QVERIFY(!p.DefaultTemplate);
        QCOMPARE(p.CustomTemplate, std::string("/tmp/custom.htm"));
        QCOMPARE(p.DefaultTopic, std::string("intro.htm"));
        QCOMPARE(p.Language, std::string("0x0419"));
        QCOMPARE(p.HtmlHelpTemplate, std::string("blue\\index.htm"));
        QCOMPARE(p.HtmlHelpTitle, std::string("CHM title"));
        QVERIFY(!p.HtmlHelpTitleSame);
        QCOMPARE(p.CompiledFile, std::string("/tmp/out/guide.chm"));
        QCOMPARE(p.WebHelpTemplate, std::string("web\\index.htm"));
        QVERIFY(!p.WebHelpTemplateSame);
        QCOMPARE(p.WebHelpTitle, std::string("Web title"));
        QVERIFY(!p.WebHelpTilteSame);
        QCOMPARE(p.WebHelpDefault, std::string("start.htm"));
        QVERIFY(!p.WebHelpDefaultSame);
        QCOMPARE(p.WebHelpOutputFolder, std::string("/tmp/web/"));
        QCOMPARE(p.NavWidth, 321);
        QVERIFY(!p.StartFromRoot);
        QVERIFY(!p.DrawLines);
        QVERIFY(p.AutoCollapse);
        QVERIFY(p.RealColorIcon);
        QCOMPARE(p.WebFontColor, std::string("#112233"));
        QCOMPARE(p.WebBackColor, std::string("#445566"));
        QVERIFY(!p.ShowIndex);
        QVERIFY(!p.WebHelpSearch);
        QCOMPARE(p.SingleHtmlOutputFolder, std::string("/tmp/single/"));
        QCOMPARE(p.SingleHtmlFilename, std::string("all.htm"));
        QCOMPARE(p.SingleHtmlTitle, std::string("Single title"));
        QVERIFY(!p.SingleHtmlSame);
        QVERIFY(p.SingleHtmlHasToc);
        QCOMPARE(p.HeadProperties, 0);
        QCOMPARE(p.PageProperties, 0);
        QVERIFY(project->Modified);
        // The new default icon shows at once.
        QCOMPARE(tree->ContentsRoot()->Child(0)->ImageIndex(), 41);
    }

    void openingShowsTheProjectAndOkWithoutChangesKeepsIt() {
        TProjectSettings& p = project->ProjectSettings;
        p.Encoding = " UTF-8";
        p.Language = "0x0407";
        p.HtmlHelpTitleSame = false;
        p.HtmlHelpTitle = "Own";
        p.WebHelpTemplateSame = false;
        p.WebHelpTemplate = "web\\index.htm";
        p.NavWidth = 199;
        p.HasChild = 6;
        p.DefaultTemplate = false;
        p.CustomTemplate = "/srv/custom.htm";
        project->HelpWindowSettings.Width = 640;
        // Titles and topics shown as "same as" are stored as shown: keep them alike.
        p.WebHelpTitle = p.SingleHtmlTitle = p.Title;
        p.WebHelpDefault = p.DefaultTopic = "intro.htm";
        const std::string path = (root + "manual.pvx").toStdString();
        const std::string before = project->SaveToText(path);
        TfrmSettings dialog(*project, *dialogs, *images, spWebHelp);
        QCOMPARE(dialog.windowTitle(), QString("Project Settings"));
        QCOMPARE(dialog.pcSettings->currentIndex(), int(spWebHelp));
        QCOMPARE(dialog.cbLanguage->currentText(), QString("0x0407 German (Germany)"));
        QVERIFY(dialog.cbEncoding->currentText().endsWith("; UTF-8"));
        QCOMPARE(dialog.edtHtmlHelpTitle->text(), QString("Own"));
        QCOMPARE(dialog.cbHasChild->currentText(), QString("7"));
        QCOMPARE(dialog.cbHasChild->count(), 42);
        QCOMPARE(dialog.cbLanguage->count(), 122);
        QCOMPARE(dialog.cbEncoding->count(), 28);
        dialog.WriteBack();
        QCOMPARE(project->SaveToText(path), before);
    }

    void unknownLanguageAndEncodingAreKept() {
        project->ProjectSettings.Language = "0x7777";
        project->ProjectSettings.Encoding = " x-private";
        TfrmSettings dialog(*project, *dialogs, *images, spHtmlHelp);
        QCOMPARE(dialog.cbLanguage->currentIndex(), -1);
        dialog.WriteBack();
        QCOMPARE(project->ProjectSettings.Language, std::string("0x7777"));
        QCOMPARE(project->ProjectSettings.Encoding, std::string(" x-private"));
    }

    void cancelLeavesTheProjectAloneAfterUsingTheDesigner() {
        const std::vector<std::string> before = WindowLines(project->HelpWindowSettings);
        // The settings dialog opens the designer, which changes the window and accepts;
        // then the settings dialog is cancelled.
        dialogs->execs << [this](QDialog& d) {
            auto& s = As<TfrmSettings>(d);
            s.edtTitle->setText("Changed");
            s.btnDesign->click();
            // The private copy took the designer's changes.
            [&] {
                QVERIFY(!s.WindowSettings().Content);
                QVERIFY(s.WindowSettings().ShowMSDNMenu);
            }();
            return int(QDialog::Rejected);
        };
        dialogs->execs << [](QDialog& d) {
            auto& designer = As<TfrmDesigner>(d);
            designer.CheckOf(&THelpWindowSettings::Content)->setChecked(false);
            designer.CheckOf(&THelpWindowSettings::ShowMSDNMenu)->setChecked(true);
            return int(QDialog::Accepted);
        };
        QVERIFY(!RunProjectSettings(nullptr, *project, *dialogs, *images, spHtmlHelp));
        QCOMPARE(dialogs->dialogNames, (QStringList{"frmSettings", "frmDesigner"}));
        QCOMPARE(WindowLines(project->HelpWindowSettings), before);
        QCOMPARE(project->ProjectSettings.Title, std::string("Manual"));
        QVERIFY(!project->Modified);

        // The same with OK stores the designer's window.
        dialogs->execs << [](QDialog& d) {
            As<TfrmSettings>(d).btnDesign->click();
            return int(QDialog::Accepted);
        };
        dialogs->execs << [](QDialog& d) {
            As<TfrmDesigner>(d).CheckOf(&THelpWindowSettings::Search)->setChecked(false);
            return int(QDialog::Accepted);
        };
        QVERIFY(RunProjectSettings(nullptr, *project, *dialogs, *images, spHtmlHelp));
        QVERIFY(!project->HelpWindowSettings.Search);
        QVERIFY(project->HelpWindowSettings.Content);
    }

    void refusedDesignerChangesNothing() {
        TfrmSettings dialog(*project, *dialogs, *images, spHtmlHelp);
        dialogs->execs << [](QDialog& d) {
            As<TfrmDesigner>(d).CheckOf(&THelpWindowSettings::Index)->setChecked(false);
            return int(QDialog::Rejected);
        };
        dialog.btnDesign->click();
        QVERIFY(dialog.WindowSettings().Index);
    }

    void rootFolderIsStoredWithATrailingSeparator() {
        dialogs->execs << [](QDialog& d) {
            As<TfrmSettings>(d).edtRootDir->setText("/srv/help/manual");
            return int(QDialog::Accepted);
        };
        QVERIFY(RunProjectSettings(nullptr, *project, *dialogs, *images, spGeneral));
        QCOMPARE(project->ProjectSettings.RootDir, std::string("/srv/help/manual/"));
    }

    void noneEncodingStoresOneBlank() {
        TfrmSettings dialog(*project, *dialogs, *images, spGeneral);
        dialog.cbEncoding->setCurrentIndex(dialog.cbEncoding->findText("<None>; "));
        QVERIFY(dialog.cbEncoding->currentIndex() >= 0);
        dialog.WriteBack();
        QCOMPARE(project->ProjectSettings.Encoding, std::string(" "));
    }

    void sameAsBoxesShowWhatTheyFollowAndKeepTheOwnText() {
        TProjectSettings& p = project->ProjectSettings;
        p.HtmlHelpTitleSame = false;
        p.HtmlHelpTitle = "Own CHM title";
        p.HtmlHelpTemplate = "blue\\index.htm";
        p.WebHelpTemplateSame = true;
        p.WebHelpTemplate = "web\\own.htm";
        p.DefaultTemplate = true;
        TfrmSettings dialog(*project, *dialogs, *images, spGeneral);

        QVERIFY(dialog.edtHtmlHelpTitle->isEnabled());
        QCOMPARE(dialog.edtHtmlHelpTitle->text(), QString("Own CHM title"));
        dialog.cbHtmlHelpTitleSame->setChecked(true);
        QVERIFY(!dialog.edtHtmlHelpTitle->isEnabled());
        QCOMPARE(dialog.edtHtmlHelpTitle->text(), QString("Manual"));
        dialog.edtTitle->setText("Renamed");
        QCOMPARE(dialog.edtHtmlHelpTitle->text(), QString("Renamed"));
        QCOMPARE(dialog.edtWebHelpTitle->text(), QString("Renamed"));
        QCOMPARE(dialog.edtSingleHtmlTitle->text(), QString("Renamed"));
        dialog.cbHtmlHelpTitleSame->setChecked(false);
        QCOMPARE(dialog.edtHtmlHelpTitle->text(), QString("Own CHM title"));

        QVERIFY(!dialog.edtWebHelpTemplate->isEnabled());
        QVERIFY(!dialog.btnWebHelpTemplate->isEnabled());
        QCOMPARE(dialog.edtWebHelpTemplate->text(), QString("blue\\index.htm"));
        dialog.edtHtmlHelpTemplate->setText("green\\main.htm");
        QCOMPARE(dialog.edtWebHelpTemplate->text(), QString("green\\main.htm"));
        dialog.cbWebHelpTemplateSame->setChecked(false);
        QVERIFY(dialog.btnWebHelpTemplate->isEnabled());
        QCOMPARE(dialog.edtWebHelpTemplate->text(), QString("web\\own.htm"));

        dialog.edtDefaultTopic->setText("intro.htm");
        QVERIFY(!dialog.edtWebHelpDefault->isEnabled());
        QCOMPARE(dialog.edtWebHelpDefault->text(), QString("intro.htm"));

        QVERIFY(!dialog.edtCustomTemplate->isEnabled());
        QVERIFY(!dialog.btnCustomTemplate->isEnabled());
        dialog.rbCustomTemplate->setChecked(true);
        QVERIFY(dialog.edtCustomTemplate->isEnabled());
        QVERIFY(dialog.btnCustomTemplate->isEnabled());

        // What the following edits show is what is stored.
        dialog.cbWebHelpTemplateSame->setChecked(true);
        dialog.WriteBack();
        QCOMPARE(p.WebHelpTemplate, std::string("green\\main.htm"));
        QCOMPARE(p.WebHelpDefault, std::string("intro.htm"));
        QCOMPARE(p.HtmlHelpTitle, std::string("Own CHM title"));
    }

    void buttonsFillTheirEdits() {
        TfrmSettings dialog(*project, *dialogs, *images, spHtmlHelp);
        // Default topic from a file: relative to the root, the dialog opened in the root.
        dialogs->openFiles << root + "sub/page.htm";
        dialog.btnDefaultTopicFile->click();
        QCOMPARE(dialog.edtDefaultTopic->text(), QString("sub\\page.htm"));
        QCOMPARE(dialogs->openFolders.back(), root);
        // Topic pickers: topics for the default topic, templates for the template.
        dialogs->execs << [](QDialog& d) {
            As<TfrmSelectTopic>(d).edtUrl->setText("intro.htm");
            return int(QDialog::Accepted);
        };
        dialog.btnDefaultTopic->click();
        QCOMPARE(dialog.edtDefaultTopic->text(), QString("intro.htm"));
        dialogs->execs << [](QDialog& d) {
            As<TfrmSelectTopic>(d).edtUrl->setText("blue\\index.htm");
            return int(QDialog::Rejected);
        };
        dialog.btnHtmlHelpTemplate->click();
        QCOMPARE(dialog.edtHtmlHelpTemplate->text(), QString());
        // Folders end with a separator.
        dialogs->folder = "/srv/out";
        dialog.btnWebHelpOutputFolder->click();
        QCOMPARE(dialog.edtWebHelpOutputFolder->text(), QString("/srv/out/"));
        dialogs->saveFiles << "/srv/out/manual.chm";
        dialog.btnCompiledFile->click();
        QCOMPARE(dialog.edtCompiledFile->text(), QString("/srv/out/manual.chm"));
        QCOMPARE(dialogs->dialogNames, (QStringList{"frmSelectTopic", "frmSelectTopic"}));
    }

    void buildDialogLocationsGoInAndComeBack() {
        project->ProjectSettings.WebHelpOutputFolder = "/project/web/";
        TBuildDialogValues values;
        values.Page = 1;
        values.CompiledFile = "/typed/in/build.chm";
        values.WebHelpOutputFolder = "/typed/web/";
        values.SingleHtmlOutputFolder = "/typed/single/";
        values.SingleHtmlFilename = "typed.htm";
        dialogs->execs << [](QDialog& d) {
            auto& s = As<TfrmSettings>(d);
            [&] {
                QCOMPARE(s.pcSettings->currentIndex(), int(spWebHelp));
                QCOMPARE(s.edtWebHelpOutputFolder->text(), QString("/typed/web/"));
                QCOMPARE(s.edtCompiledFile->text(), QString("/typed/in/build.chm"));
            }();
            s.edtWebHelpOutputFolder->setText(" /chosen/web/ ");
            s.edtSingleHtmlFilename->setText("chosen.htm");
            return int(QDialog::Accepted);
        };
        QVERIFY(RunProjectSettings(nullptr, *project, *dialogs, *images,
                                   SettingsPageOfBuildPage(values.Page), &values));
        QCOMPARE(values.WebHelpOutputFolder, std::string("/chosen/web/"));
        QCOMPARE(values.SingleHtmlFilename, std::string("chosen.htm"));
        QCOMPARE(values.CompiledFile, std::string("/typed/in/build.chm"));
        QCOMPARE(project->ProjectSettings.WebHelpOutputFolder, std::string("/chosen/web/"));

        // Cancel gives nothing back.
        dialogs->execs << [](QDialog& d) {
            As<TfrmSettings>(d).edtSingleHtmlFilename->setText("dropped.htm");
            return int(QDialog::Rejected);
        };
        QVERIFY(!RunProjectSettings(nullptr, *project, *dialogs, *images, spSingleHtml, &values));
        QCOMPARE(values.SingleHtmlFilename, std::string("chosen.htm"));
        QCOMPARE(SettingsPageOfBuildPage(0), int(spHtmlHelp));
        QCOMPARE(SettingsPageOfBuildPage(2), int(spSingleHtml));
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TTreeImages> images;
    std::unique_ptr<TTopicTree> tree;
    std::unique_ptr<TPvx> project;
    QString root;
};

} // namespace parvane

QTEST_MAIN(parvane::SettingsDialogTest)
#include "settings_dialog_test.moc"
