// The library of prebuilt templates as shipped, the Templates page of the add dialog, and a
// template copied from the library into a project as a new author would: the folder
// question with its collision loop, the question about the HTML Help template, and the
// outputs built with it.

#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"
#include "templates/gui/template_commands.h"
#include "templates/template_apply.h"
#include "test_dialogs.h"
#include "ui/gui/add_topic_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

namespace {

const std::string kLibrary = std::string(PARVANE_SOURCE_DIR) + "/support/templates/";

QString ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Answers the folder question with a name (or cancels with an empty optional).
std::function<int(QDialog&)> FolderAnswer(const QString& name, QStringList* proposals = nullptr) {
    return [name, proposals](QDialog& d) {
        auto& question = dynamic_cast<QInputDialog&>(d);
        if (proposals)
            *proposals << question.textValue();
        if (name.isNull())
            return int(QDialog::Rejected);
        question.setTextValue(name);
        return int(QDialog::Accepted);
    };
}

class TRecordingHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

} // namespace

class PrebuiltTemplatesTest : public QObject {
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
        WriteAll(root + "intro.htm",
                 "<html><head><title>Intro</title></head><body><p>Hello &amp; welcome</p>"
                 "</body></html>");
        WriteAll(root + "usage.htm",
                 "<html><head><title>Usage</title></head><body><p>How to</p></body></html>");
        TProjectSettings& s = project->ProjectSettings;
        s.RootDir = root.toStdString();
        s.Title = "Manual";
        s.Encoding = " ISO-8859-1";
        s.DefaultTopic = "intro.htm";
        tree->AddTopicNode(tree->ContentsRoot(), "Introduction", imLastChildOfReference, tsLinked,
                           0, "intro.htm");
        tree->AddTopicNode(tree->ContentsRoot(), "Usage", imLastChildOfReference, tsLinked, 0,
                           "usage.htm");
        project->UpdateTopicImages();
        project->Modified = false;
    }

    void cleanup() {
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void shippedLibraryIsCompleteAndUsable() {
        const std::vector<TTemplateEntry> library = LoadTemplateLibrary(kLibrary);
        QVERIFY(library.size() >= 4);
        const QRegularExpression link("(?:src|href)=\"([^\"#:]+)\"|url\\(([^):]+)\\)");
        for (const TTemplateEntry& entry : library) {
            const QString name = QString::fromStdString(entry.Name);
            QVERIFY2(entry.Name != TemplateTexts::NoName, qPrintable(name));
            QVERIFY2(
                !QPixmap(QString::fromStdString(TemplatePreviewFile(kLibrary, entry))).isNull(),
                qPrintable(name));
            const QString folder = QString::fromStdString(kLibrary + entry.Path) + "/";
            const QString page = ReadAll(folder + QString::fromStdString(entry.FileName));
            QVERIFY2(CheckTemplateTags(page.toStdString()).empty(), qPrintable(name));
            QVERIFY2(page.contains("($charset$)", Qt::CaseInsensitive), qPrintable(name));
            // Every picture and style sheet the page and its style sheets name is there,
            // and each template keeps them in sub-folders.
            QStringList files{folder + QString::fromStdString(entry.FileName)};
            int sheets = 0;
            int pictures = 0;
            for (int i = 0; i < files.size(); ++i) {
                const QString text = ReadAll(files[i]);
                const QString base = QFileInfo(files[i]).absolutePath() + "/";
                for (auto m = link.globalMatch(text); m.hasNext();) {
                    const auto match = m.next();
                    const QString target =
                        QDir::cleanPath(base + (match.captured(1).isEmpty() ? match.captured(2)
                                                                            : match.captured(1)));
                    QVERIFY2(QFileInfo::exists(target), qPrintable(name + ": " + target));
                    QVERIFY2(QFileInfo(target).absolutePath() != QDir::cleanPath(folder),
                             qPrintable(target));
                    if (target.endsWith(".css")) {
                        ++sheets;
                        files << target;
                    } else {
                        ++pictures;
                    }
                }
            }
            QVERIFY2(sheets >= 1 && pictures >= 1, qPrintable(name));
        }
    }

    void templatesPageOffersTheFourItemTypes() {
        TAddDialogPreset preset;
        preset.HomeKind = -3;
        preset.Page = 2;
        preset.InsertMode = aimEnd;
        TfrmAddNewTopic dialog(preset, nullptr, kLibrary);
        QCOMPARE(dialog.rbBlank->text(), QString("A new template"));
        QCOMPARE(dialog.rbExisting->text(), QString("An existing template"));
        QCOMPARE(dialog.rbNoLink->text(), QString("No link topic"));
        QCOMPARE(dialog.rbPrebuilt->text(), QString("Prebuilt  template"));
        QVERIFY(dialog.rbPrebuilt->isChecked());
        QVERIFY(dialog.PrebuiltTemplate());
        QVERIFY(dialog.lbTemplates->isVisibleTo(&dialog));
        QVERIFY(!dialog.imgTemplate->pixmap().isNull());
        QCOMPARE(dialog.lbTemplates->count(), int(LoadTemplateLibrary(kLibrary).size()));
        QCOMPARE(dialog.ChosenTemplate()->Name, std::string("Ocean"));
        dialog.lbTemplates->setCurrentRow(2);
        QCOMPARE(dialog.ChosenTemplate()->Name, std::string("Slate"));

        dialog.rbExisting->click();
        QVERIFY(!dialog.lbTemplates->isVisibleTo(&dialog));
        QCOMPARE(dialog.cbTitleFrom->currentText(), QString("Filename without extension"));
        QCOMPARE(dialog.Request().ItemType, AddItemType::ExistingFiles);
        QCOMPARE(dialog.Request().TitleMode, 2);
        dialog.rbNoLink->setChecked(true);
        QCOMPARE(dialog.Request().ItemType, AddItemType::NoLink);
        QVERIFY(dialog.edtCount->isVisibleTo(&dialog));

        // Other pages know nothing of the library.
        dialog.rbPrebuilt->setChecked(true);
        dialog.SetPage(0);
        QVERIFY(dialog.rbPrebuilt->isHidden());
        QVERIFY(!dialog.PrebuiltTemplate());
        QCOMPARE(dialog.rbBlank->text(), QString("Link to blank pages"));
        QCOMPARE(dialog.Request().ItemType, AddItemType::BlankPages);
        QVERIFY(!dialog.lbTemplates->isVisibleTo(&dialog));

        // Without a library the list is empty and no picture shows.
        QTemporaryDir empty;
        TfrmAddNewTopic none(preset, nullptr, empty.path().toStdString() + "/");
        QCOMPARE(none.lbTemplates->count(), 0);
        QVERIFY(none.ChosenTemplate() == nullptr);
        QVERIFY(none.imgTemplate->pixmap().isNull());
    }

    void copyAskedAgainOnCollisionAndOfferedAsHtmlHelpTemplate() {
        const TTemplateEntry ocean = LoadTemplateLibrary(kLibrary).at(0);
        QStringList proposals;
        dialogs->execs << FolderAnswer("look", &proposals);
        dialogs->answers << TAnswer::Yes;
        TTopicNode* first =
            AddPrebuiltTemplateClick(nullptr, *project, *dialogs, ocean, kLibrary, aimEnd);
        QVERIFY(first);
        QCOMPARE(proposals, QStringList{"template"});
        QCOMPARE(first->Text(), std::string("Ocean"));
        QCOMPARE(first->Data().Url, std::string("look\\index.htm"));
        QCOMPARE(first->Parent(), tree->TemplatesRoot());
        QCOMPARE(tree->Selected(), first);
        QCOMPARE(dialogs->questions.back().text,
                 QString("Set this template as default HTML help(CHM) template?"));
        QCOMPARE(project->ProjectSettings.HtmlHelpTemplate, std::string("look\\index.htm"));
        QCOMPARE(first->ImageIndex(), int(imgHtmlHelpTemplate));
        QVERIFY(project->Modified);
        const QString copied = ReadAll(root + "look/index.htm");
        QVERIFY(copied.contains("charset=ISO-8859-1"));
        QVERIFY(QFileInfo::exists(root + "look/css/ocean.css"));
        QVERIFY(QFileInfo::exists(root + "look/images/logo.png"));

        // The same folder again is refused until another name is given.
        dialogs->execs << FolderAnswer("look", &proposals) << FolderAnswer("look2", &proposals);
        dialogs->answers << TAnswer::No;
        TTopicNode* second =
            AddPrebuiltTemplateClick(nullptr, *project, *dialogs, ocean, kLibrary, aimEnd);
        QVERIFY(second);
        QCOMPARE(dialogs->errors,
                 QStringList{"Filename collision! Please try another folder name."});
        QCOMPARE(proposals, (QStringList{"template", "template", "look"}));
        QCOMPARE(second->Data().Url, std::string("look2\\index.htm"));
        QCOMPARE(project->ProjectSettings.HtmlHelpTemplate, std::string("look\\index.htm"));
        QCOMPARE(tree->TemplatesRoot()->Count(), 2);

        // Cancel adds nothing.
        dialogs->execs << FolderAnswer(QString());
        QVERIFY(!AddPrebuiltTemplateClick(nullptr, *project, *dialogs, ocean, kLibrary, aimEnd));
        QCOMPARE(tree->TemplatesRoot()->Count(), 2);
    }

    void templateCommandsRefuseUnsavedAndNoLinkTopics() {
        TTopicNode* unsaved = tree->AddTopicNode(tree->TemplatesRoot(), "New Template",
                                                 imLastChildOfReference, tsUnsaved, 0, "");
        TTopicNode* linked = tree->AddTopicNode(tree->TemplatesRoot(), "Mine",
                                                imLastChildOfReference, tsLinked, 0, "mine.htm");
        tree->Select(unsaved);
        mnuSetCHMTempClick(*project, *dialogs);
        QCOMPARE(dialogs->errors, QStringList{"Cannot set an unsaved topic as default."});
        tree->Select(linked);
        mnuSetCHMTempClick(*project, *dialogs);
        mnuSetWebTempClick(*project, *dialogs);
        QCOMPARE(linked->ImageIndex(), int(imgBothTemplates));
        QVERIFY(!project->ProjectSettings.WebHelpTemplateSame);
        mnuDontuseClick(*project);
        QCOMPARE(linked->ImageIndex(), int(imgTemplatePage));
        QCOMPARE(dialogs->errors.size(), 1);
    }

    void bothOutputsBuildWithACopiedTemplate() {
        const TTemplateEntry ocean = LoadTemplateLibrary(kLibrary).at(0);
        dialogs->execs << FolderAnswer("template");
        dialogs->answers << TAnswer::Yes;
        TTopicNode* node =
            AddPrebuiltTemplateClick(nullptr, *project, *dialogs, ocean, kLibrary, aimEnd);
        QVERIFY(node);
        tree->Select(node);
        mnuSetWebTempClick(*project, *dialogs);
        QCOMPARE(node->ImageIndex(), int(imgBothTemplates));

        // Web Help: every page wrapped, the template's files beside them.
        const QString web = dir->path() + "/web/";
        TBuildRequest request;
        request.Kind = OutputKind::WebHelp;
        request.OutputOverride = web.toStdString();
        TRecordingHost host;
        TBuildResult result = RunBuild(*project, request, host);
        QVERIFY2(result.Ok, result.Message.c_str());
        const QString page = ReadAll(web + "scr/intro.htm");
        QVERIFY(page.contains("<td class=\"heading\">Introduction</td>"));
        QVERIFY(page.contains("Hello &amp; welcome"));
        QVERIFY(page.contains("template/css/ocean.css"));
        QVERIFY(QFileInfo::exists(web + "scr/template/css/ocean.css"));
        QVERIFY(QFileInfo::exists(web + "scr/template/images/band.png"));
        QVERIFY(QFileInfo::exists(web + "scr/template/images/logo.png"));
        QVERIFY(QFileInfo::exists(web + "index.htm"));

        // HTML Help, when the compiler is installed here.
        if (FindHtmlHelpCompiler().empty())
            QSKIP("chmcmd is not installed");
        const QString chm = dir->path() + "/chm/manual.chm";
        QDir().mkpath(dir->path() + "/chm");
        const QString kept = dir->path() + "/hhp/";
        request = TBuildRequest{};
        request.Kind = OutputKind::HtmlHelp;
        request.OutputOverride = chm.toStdString();
        request.KeepProjectFolder = kept.toStdString();
        result = RunBuild(*project, request, host);
        QVERIFY2(result.Ok, result.Message.c_str());
        QVERIFY(QFileInfo(chm).size() > 0);
        QVERIFY(ReadAll(kept + "usage.htm").contains("<td class=\"heading\">Usage</td>"));
        QProcess list;
        list.start("chmls", {"list", chm});
        if (list.waitForStarted() && list.waitForFinished(30000)) {
            const QString listing = QString::fromUtf8(list.readAllStandardOutput());
            QVERIFY2(listing.contains("/template/css/ocean.css"), qPrintable(listing));
            QVERIFY(listing.contains("/template/images/logo.png"));
            QVERIFY(listing.contains("/intro.htm"));
        }
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TTopicTree> tree;
    std::unique_ptr<TPvx> project;
    QString root;
};

} // namespace parvane

QTEST_MAIN(parvane::PrebuiltTemplatesTest)
#include "prebuilt_templates_test.moc"
