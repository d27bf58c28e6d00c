#include "../support/test_project.h"
#include "model/errors.h"
#include "model/ini_file.h"
#include "model/project_file.h"
#include "templates/template_library.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

const std::string kLibrary = std::string(PARVANE_TEST_DATA) + "/templates-lib/";

using parvane::testing::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A project with its root folder in a temporary folder.
struct Project {
    TempDir dir;
    TTopicTree tree;
    std::unique_ptr<TPvx> pvx;
    Project() {
        tree.CreateRootGroups();
        pvx = std::make_unique<TPvx>(tree);
        pvx->ProjectSettings.RootDir = dir.Folder();
        pvx->ProjectSettings.Encoding = " Windows-1252";
    }
};

} // namespace

// ---- the library -----------------------------------------------------------------------------

TEST(TemplateLibrary, SectionsStopAtTheFirstMissingNumber) {
    const std::vector<TTemplateEntry> entries = LoadTemplateLibrary(kLibrary);
    ASSERT_EQ(entries.size(), 2u); // sections 1, 2 and 4
    EXPECT_EQ(entries[0], (TTemplateEntry{"Blue", "previews/blue.png", "blue", "main.htm"}));
    EXPECT_EQ(entries[1].Name, "Plain");
    EXPECT_EQ(entries[1].FileName, "index.htm"); // no FileName key
    EXPECT_EQ(entries[1].Img, "");
    EXPECT_EQ(TemplatePreviewFile(kLibrary, entries[0]), kLibrary + "previews/blue.png");
    EXPECT_EQ(TemplatePreviewFile(kLibrary, entries[1]), "");
}

TEST(TemplateLibrary, MissingOrOddIndexGivesWhatItCan) {
    EXPECT_TRUE(LoadTemplateLibrary("/no/such/library/").empty());
    const auto entries =
        ParseTemplateIndex(TIniFile::FromText("[template1]\nimg=x.png\n[Template0]\n"
                                              "Name=zero\n[Template01]\nName=z\n"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, "No name");
    EXPECT_EQ(entries[0].Img, "x.png");
    EXPECT_TRUE(ParseTemplateIndex(TIniFile::FromText("[Template2]\nName=two\n")).empty());
}

// ---- copying ---------------------------------------------------------------------------------

TEST(TemplateCopy, OnlyExistingFilesCollide) {
    TempDir dir;
    const std::string source = kLibrary + "blue";
    EXPECT_EQ(FindCopyCollision(source, dir.Folder() + "t"), "");
    fs::create_directories(dir.Folder() + "t/css");
    EXPECT_EQ(FindCopyCollision(source, dir.Folder() + "t"), "");
    WriteAll(dir.Folder() + "t/css/blue.css", "mine");
    EXPECT_EQ(FindCopyCollision(source, dir.Folder() + "t"), dir.Folder() + "t/css/blue.css");
}

TEST(TemplateCopy, CopyFolderTreeCopiesEveryFileByteForByte) {
    TempDir dir;
    CopyFolderTree(kLibrary + "blue", dir.Folder() + "a/b");
    for (const char* file : {"main.htm", "css/blue.css", "images/logo.gif"})
        EXPECT_EQ(ReadAll(dir.Folder() + "a/b/" + file), ReadAll(kLibrary + "blue/" + file))
            << file;
    WriteAll(dir.Folder() + "blocker", "x");
    EXPECT_THROW(CopyFolderTree(kLibrary + "blue", dir.Folder() + "blocker/sub"), EParvaneError);
}

TEST(TemplateCopy, SecondCopyIntoTheSameFolderIsRefusedAndANewFolderSucceeds) {
    Project p;
    const TTemplateEntry entry = LoadTemplateLibrary(kLibrary).at(0);
    const std::string source = kLibrary + entry.Path;
    std::vector<std::string> proposals, messages;
    std::vector<std::string> answers = {"template"};
    const auto ask = [&](const std::string& proposal) -> std::optional<std::string> {
        proposals.push_back(proposal);
        if (answers.empty())
            return std::nullopt;
        std::string a = answers.front();
        answers.erase(answers.begin());
        return a;
    };
    const auto show = [&](const std::string& m) { messages.push_back(m); };

    auto folder = AskTemplateFolder(source, p.dir.Folder(), ask, show);
    ASSERT_EQ(folder, "template");
    TTopicNode* first =
        AddPrebuiltTemplate(*p.pvx, entry, kLibrary, *folder, imLastChildOfReference);
    EXPECT_EQ(first->Data().Url, "template\\main.htm");

    proposals.clear();
    answers = {"template", "template2"};
    folder = AskTemplateFolder(source, p.dir.Folder(), ask, show);
    EXPECT_EQ(messages, (std::vector<std::string>{TemplateTexts::Collision}));
    EXPECT_EQ(proposals, (std::vector<std::string>{"template", "template"}));
    ASSERT_EQ(folder, "template2");
    TTopicNode* second =
        AddPrebuiltTemplate(*p.pvx, entry, kLibrary, *folder, imLastChildOfReference);
    EXPECT_EQ(second->Data().Url, "template2\\main.htm");
    EXPECT_EQ(p.pvx->TemplatesRoot()->Count(), 2);
    EXPECT_EQ(second->Parent(), p.pvx->TemplatesRoot());
    EXPECT_EQ(second->Text(), "Blue");
    EXPECT_EQ(second->Data().Status, tsLinked);
    EXPECT_TRUE(p.pvx->Modified);

    answers.clear(); // Cancel
    EXPECT_FALSE(AskTemplateFolder(source, p.dir.Folder(), ask, show));
}

TEST(TemplateCopy, FolderNamesLeavingTheRootAreRefused) {
    EXPECT_TRUE(IsFolderNameInsideRoot("template"));
    EXPECT_TRUE(IsFolderNameInsideRoot("styles/blue"));
    EXPECT_FALSE(IsFolderNameInsideRoot(""));
    EXPECT_FALSE(IsFolderNameInsideRoot("  "));
    EXPECT_FALSE(IsFolderNameInsideRoot("../outside"));
    EXPECT_FALSE(IsFolderNameInsideRoot("a\\..\\..\\b"));
    EXPECT_FALSE(IsFolderNameInsideRoot("/tmp/x"));

    TempDir dir;
    std::vector<std::string> answers = {"../escape", "ok"}, messages;
    const auto folder = AskTemplateFolder(
        kLibrary + "blue", dir.Folder(),
        [&](const std::string&) -> std::optional<std::string> {
            std::string a = answers.front();
            answers.erase(answers.begin());
            return a;
        },
        [&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(folder, "ok");
    EXPECT_EQ(messages, (std::vector<std::string>{TemplateTexts::FolderOutsideRoot}));
}

TEST(TemplateCopy, CharsetTagInAnyCaseIsReplacedByTheProjectEncoding) {
    EXPECT_EQ(ReplaceCharsetTag("a ($CharSet$) b ($charset$) c ($CHARSET$)", " Windows-1252"),
              "a Windows-1252 b Windows-1252 c Windows-1252");
    EXPECT_EQ(ReplaceCharsetTag("($charset$)", " "), "UTF-8");

    Project p;
    const TTemplateEntry entry = LoadTemplateLibrary(kLibrary).at(0);
    CopyTemplateToProject(entry, kLibrary, p.dir.Folder(), "t", " Windows-1252");
    const std::string page = ReadAll(p.dir.Folder() + "t/main.htm");
    EXPECT_NE(page.find("charset=Windows-1252\""), std::string::npos) << page;
    EXPECT_EQ(page.find("($"), page.find("($title$)"));
    EXPECT_EQ(page.find("charset$"), std::string::npos);
    // Written in the encoding the page now declares: é and the dash as Windows-1252 bytes.
    EXPECT_NE(page.find("Caf\xe9 \x97 Windows-1252"), std::string::npos);
    // The other files are plain copies.
    EXPECT_EQ(ReadAll(p.dir.Folder() + "t/images/logo.gif"),
              ReadAll(kLibrary + "blue/images/logo.gif"));
}

TEST(TemplateCopy, PrebuiltTemplateStaysInTheTemplatesGroup) {
    Project p;
    TTopicNode* contents =
        p.tree.AddTopicNode(p.pvx->ContentsRoot(), "Intro", 0, tsLinked, 0, "intro.htm");
    p.tree.Select(contents);
    const TTemplateEntry plain = LoadTemplateLibrary(kLibrary).at(1);
    TTopicNode* node = AddPrebuiltTemplate(*p.pvx, plain, kLibrary, "plain", imAfterSelected);
    EXPECT_EQ(node->Parent(), p.pvx->TemplatesRoot());
    EXPECT_EQ(node->Data().Url, "plain\\index.htm");
    EXPECT_TRUE(fs::exists(p.dir.Folder() + "plain/index.htm"));
}

// ---- the template commands -------------------------------------------------------------------

TEST(TemplateCommands, UnsavedAndNoLinkTopicsAreRefused) {
    Project p;
    TTopicNode* group = p.pvx->TemplatesRoot();
    TTopicNode* unsaved = p.tree.AddTopicNode(group, "New Template", 0, tsUnsaved, 0, "");
    TTopicNode* nolink = p.tree.AddTopicNode(group, "Heading", 0, tsNoLink, 0, "");
    EXPECT_EQ(TemplateRefusal(unsaved), "Cannot set an unsaved topic as default.");
    EXPECT_EQ(TemplateRefusal(nolink), "Cannot set a no-link topic as default.");
    try {
        SetAsWebHelpTemplate(*p.pvx, unsaved);
        FAIL();
    } catch (const EParvaneError& e) {
        EXPECT_STREQ(e.what(), "Cannot set an unsaved topic as default.");
    }
    EXPECT_THROW(SetAsHtmlHelpTemplate(*p.pvx, nolink), EParvaneError);
    EXPECT_TRUE(p.pvx->ProjectSettings.WebHelpTemplateSame);
    EXPECT_EQ(p.pvx->ProjectSettings.HtmlHelpTemplate, "");
    EXPECT_FALSE(p.pvx->Modified);
}

TEST(TemplateCommands, BothSettingsOnOneTopicShowImageFiftyUntilDropped) {
    Project p;
    TTopicNode* t =
        p.tree.AddTopicNode(p.pvx->TemplatesRoot(), "Blue", 0, tsLinked, 0, "template\\main.htm");
    ASSERT_TRUE(CanBeTemplate(t));
    SetAsHtmlHelpTemplate(*p.pvx, t);
    EXPECT_EQ(t->ImageIndex(), imgHtmlHelpTemplate);
    SetAsWebHelpTemplate(*p.pvx, t);
    EXPECT_FALSE(p.pvx->ProjectSettings.WebHelpTemplateSame);
    EXPECT_EQ(p.pvx->ProjectSettings.WebHelpTemplate, "template\\main.htm");
    EXPECT_EQ(t->ImageIndex(), imgBothTemplates);
    EXPECT_TRUE(p.pvx->Modified);

    DontUseAnyTemplate(*p.pvx);
    EXPECT_EQ(p.pvx->ProjectSettings.HtmlHelpTemplate, "");
    EXPECT_EQ(p.pvx->ProjectSettings.WebHelpTemplate, "");
    EXPECT_EQ(t->ImageIndex(), imgTemplatePage);
    EXPECT_EQ(p.pvx->TemplatesRoot()->Count(), 1);
}
