// The Qt Help output opened the way a Qt application opens it: QHelpEngine registers the
// .qch, finds topics by keyword and by context number (keyword id), and searches the text.

#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"

#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchResult>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

namespace {
class TQuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { Lines += text + "\n"; }
    std::string Lines;
};
} // namespace

class QtHelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir.isValid());
        tree.CreateRootGroups();
        QVERIFY(project = std::make_unique<TPvx>(tree));
        project->LoadFromFile(PARVANE_BINARY_DIR "/support/sample.pvx");
        TBuildRequest request;
        request.Kind = OutputKind::QtHelp;
        qch = dir.path() + "/sample.qch";
        request.OutputOverride = qch.toStdString();
        TQuietHost host;
        const TBuildResult result = RunBuild(*project, request, host);
        QVERIFY2(result.Ok, (result.Message + "\n" + host.Lines).c_str());

        engine = std::make_unique<QHelpEngine>(dir.path() + "/collection.qhc");
        engine->setReadOnly(false); // a new collection that registers the file
        QVERIFY(engine->setupData());
        QVERIFY2(engine->registerDocumentation(qch), qPrintable(engine->error()));
        QVERIFY(engine->registeredDocumentations().contains("org.parvane.parvane-sample-help"));
    }

    void findsTopicsByKeyword() {
        const QList<QHelpLink> links = engine->documentsForKeyword("Context-sensitive help");
        QCOMPARE(links.size(), 1);
        QVERIFY(links[0].url.toString().endsWith("/doc/tree/context.htm"));
        QCOMPARE(links[0].title, QString("Context numbers"));
        // A keyword with levels reads "Project, creating".
        QCOMPARE(engine->documentsForKeyword("Project, creating").size(), 1);
        // The page is in the file, with the HTML Help template around it.
        const QByteArray page = engine->fileData(links[0].url);
        QVERIFY(page.contains("Context numbers"));
    }

    void findsTopicsByContextNumber() {
        const QList<QHelpLink> byNumber = engine->documentsForIdentifier("70");
        QCOMPARE(byNumber.size(), 1);
        QVERIFY(byNumber[0].url.toString().endsWith("/doc/tree/context.htm"));
        const QList<QHelpLink> welcome = engine->documentsForIdentifier("10");
        QCOMPARE(welcome.size(), 1);
        QVERIFY(welcome[0].url.toString().endsWith("/doc/welcome.htm"));
        QVERIFY(engine->documentsForIdentifier("12345").isEmpty());
    }

    void contentsFollowTheTableOfContents() {
        QHelpContentModel* model = engine->contentModel();
        QSignalSpy created(model, &QHelpContentModel::contentsCreated);
        model->createContents(QString());
        QVERIFY(created.wait(20000) || created.count() > 0);
        // One top entry, the project, holding the topics in order.
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex top = model->index(0, 0);
        QCOMPARE(model->data(top, Qt::DisplayRole).toString(), QString("Parvane Sample Help"));
        QVERIFY(model->rowCount(top) >= 5);
        QCOMPARE(model->data(model->index(0, 0, top), Qt::DisplayRole).toString(),
                 QString("Welcome to Parvane"));
    }

    void fullTextSearchFindsAPage() {
        QHelpSearchEngine* search = engine->searchEngine();
        QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
        search->reindexDocumentation();
        QVERIFY(indexed.wait(60000));
        QSignalSpy searched(search, &QHelpSearchEngine::searchingFinished);
        search->search("wizard");
        QVERIFY(searched.wait(20000) || searched.count() > 0);
        QVERIFY(search->searchResultCount() > 0);
        const QList<QHelpSearchResult> results = search->searchResults(0, 50);
        QVERIFY(!results.isEmpty());
        for (const QHelpSearchResult& result : results)
            QVERIFY(result.url().scheme() == "qthelp");
    }

private:
    QTemporaryDir dir;
    TTopicTree tree;
    std::unique_ptr<TPvx> project;
    QString qch;
    std::unique_ptr<QHelpEngine> engine;
};

} // namespace parvane

QTEST_MAIN(parvane::QtHelpTest)
#include "qt_help_test.moc"
