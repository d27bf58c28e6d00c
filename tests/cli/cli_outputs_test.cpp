// The PDF, EPUB and Qt Help outputs built by the command line and checked by the programs
// that consume them: epubcheck, qpdf and pdftotext, qhelpgenerator's own checks (the .qch
// is opened with QHelpEngine in the desktop tests).

#include "../support/test_project.h"
#include "cli_support.h"
#include "output/contents.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kSample = std::string(PARVANE_BINARY_DIR) + "/support/sample.pvx";

std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    const int rc = pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// epubcheck's summary line, e.g. "Messages: 0 fatals / 0 errors / 1 warnings / 0 infos".
std::string EpubCheck(const std::string& epub) {
    const std::string jar = "/usr/share/java/epubcheck.jar";
    const std::string command = fs::exists(jar) ? "java -jar " + jar : std::string("epubcheck");
    return Shell(command + " " + ShellQuote(epub));
}

// The table of contents of a project as the program reads it.
std::vector<std::string> TocTitles(const std::string& pvx) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.LoadFromFile(pvx);
    TContents contents(project);
    contents.BuildItems();
    std::vector<std::string> titles;
    for (std::size_t i = 0; i < contents.Items.size(); ++i)
        titles.push_back(contents.ItemNumber(i) + " " + contents.Items[i]->Title);
    return titles;
}

// Runs of spaces made one, as text extracted from a laid-out page needs.
std::string Collapsed(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A project made by importing one of the HTML manuals Debian installs.
struct ImportedManual {
    TempDir dir;
    std::string pvx;
    bool present = false;
    explicit ImportedManual(const std::string& folder) {
        present = fs::is_directory(folder);
        pvx = dir.Folder() + "manual.pvx";
        if (present) {
            const CliRun run = RunCli({"new", folder, "--output", pvx, "--import", "--encoding",
                                       "UTF-8", "--title", "Imported manual", "--quiet"});
            EXPECT_EQ(run.code, 0) << run.output;
        }
    }
};

const char* const kManuals[] = {"/usr/share/doc/valgrind/html", "/usr/share/doc/libxslt1-dev/html",
                                "/usr/share/doc/libffi8/html"};

} // namespace

TEST(CliEpub, SampleBookPassesEpubcheckWithItsContentsAndMetadata) {
    TempDir out;
    CliRun run = RunCli({"build", kSample, "--epub", "--out", out / "sample.epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Converting pages...\n"));
    EXPECT_THAT(run.output, HasSubstr("Filename: " + out / "sample.epub" + "\n\nCompleted.\n"));
    EXPECT_THAT(EpubCheck(out / "sample.epub"), HasSubstr("0 fatals / 0 errors"));

    // The navigation lists every contents topic, then the index of the keywords.
    const std::string nav =
        Shell("unzip -p " + ShellQuote(out / "sample.epub") + " OEBPS/nav.xhtml");
    EXPECT_EQ(Count(nav, "<li><a href="), static_cast<int>(TocTitles(kSample).size()) + 1);
    EXPECT_THAT(nav, HasSubstr("<a href=\"keywords.xhtml\">Index</a>"));
    const std::string opf =
        Shell("unzip -p " + ShellQuote(out / "sample.epub") + " OEBPS/package.opf");
    EXPECT_THAT(opf, HasSubstr("<dc:title>Parvane Sample Help</dc:title>"));
    EXPECT_THAT(opf, HasSubstr("<dc:language>en-US</dc:language>"));
    EXPECT_THAT(opf, HasSubstr("image/png"));
    EXPECT_THAT(opf, HasSubstr("text/css"));
    // The identifier is the project's: the same in a second build.
    std::smatch id;
    ASSERT_TRUE(std::regex_search(opf, id, std::regex("urn:uuid:[0-9a-f-]{36}")));
    run = RunCli({"build", kSample, "--epub", "--out", out / "again.epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(Shell("unzip -p " + ShellQuote(out / "again.epub") + " OEBPS/package.opf"),
                HasSubstr(id.str()));
}

class CliEpubManual : public ::testing::TestWithParam<const char*> {};

TEST_P(CliEpubManual, ImportedManualPassesEpubcheck) {
    ImportedManual manual(GetParam());
    ASSERT_TRUE(manual.present) << GetParam() << " is missing: scripts/setup installs it";
    const CliRun run = RunCli({"build", manual.pvx, "--epub", "--out", manual.dir / "m.epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(EpubCheck(manual.dir / "m.epub"), HasSubstr("0 fatals / 0 errors"));
    const std::string nav =
        Shell("unzip -p " + ShellQuote(manual.dir / "m.epub") + " OEBPS/nav.xhtml");
    const int index = Count(nav, "href=\"keywords.xhtml\"");
    EXPECT_EQ(Count(nav, "<li><a href="), static_cast<int>(TocTitles(manual.pvx).size()) + index);
}

INSTANTIATE_TEST_SUITE_P(Debian, CliEpubManual, ::testing::ValuesIn(kManuals),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = std::string(info.param).substr(15);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(CliPdf, SampleIsAPrintableManualWithBookmarksOfTheContents) {
    TempDir out;
    const std::string pdf = out / "sample.pdf";
    const CliRun run = RunCli({"build", kSample, "--pdf", "--out", pdf, "--page-size", "Letter"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Printing (Letter, margins 15 mm)...\n"));
    EXPECT_THAT(run.output, HasSubstr("Filename: " + pdf + "\n\nCompleted.\n"));

    int status = -1;
    Shell("qpdf --check " + ShellQuote(pdf), &status);
    EXPECT_EQ(status, 0);
    const std::string info = Collapsed(Shell("pdfinfo " + ShellQuote(pdf)));
    EXPECT_THAT(info, HasSubstr("Page size: 612 x 792 pts"));
    EXPECT_THAT(info, HasSubstr("Title: Parvane Sample Help"));

    // Title page, then the numbered contents; page numbers from the second page on.
    const std::string first = Shell("pdftotext -f 1 -l 1 " + ShellQuote(pdf) + " -");
    EXPECT_THAT(first, HasSubstr("Parvane Sample Help"));
    const std::string contents =
        Collapsed(Shell("pdftotext -f 2 -l 2 -layout " + ShellQuote(pdf) + " -"));
    EXPECT_THAT(contents, HasSubstr("Contents"));
    const std::vector<std::string> toc = TocTitles(kSample);
    EXPECT_THAT(contents, HasSubstr(toc.front()));
    EXPECT_THAT(contents, HasSubstr(toc[2])); // "2.1 ...", indented under its chapter
    EXPECT_THAT(contents, HasSubstr("2\n"));  // the footer

    // One bookmark per contents topic, with the numbered title, none of them lost.
    const std::string json = Shell("qpdf --json --json-key=outlines " + ShellQuote(pdf));
    EXPECT_EQ(Count(json, "\"title\":"), static_cast<int>(toc.size()));
    EXPECT_THAT(json, HasSubstr("\"title\": \"" + toc[1] + "\""));
    EXPECT_THAT(run.output, Not(HasSubstr("did not find their heading")));
    // The contents entries are links to the headings inside the document.
    const std::string objects = Shell("qpdf --qdf --object-streams=disable " + ShellQuote(pdf) +
                                      " - | grep -a -e '/Subtype /Link' -e '/Dest /A'");
    EXPECT_GE(Count(objects, "/Subtype /Link"), static_cast<int>(toc.size()));
    EXPECT_GE(Count(objects, "/Dest /A"), static_cast<int>(toc.size()));
}

TEST(CliPdf, ImportedManualPrintsEveryTopic) {
    ImportedManual manual("/usr/share/doc/libffi8/html");
    ASSERT_TRUE(manual.present) << "scripts/setup installs libffi8";
    const std::string pdf = manual.dir / "m.pdf";
    const CliRun run = RunCli({"build", manual.pvx, "--pdf", "--out", pdf});
    ASSERT_EQ(run.code, 0) << run.output;
    int status = -1;
    Shell("qpdf --check " + ShellQuote(pdf), &status);
    EXPECT_EQ(status, 0);
    const std::vector<std::string> toc = TocTitles(manual.pvx);
    EXPECT_EQ(Count(Shell("qpdf --json --json-key=outlines " + ShellQuote(pdf)), "\"title\":"),
              static_cast<int>(toc.size()));
    const std::string text = Shell("pdftotext " + ShellQuote(pdf) + " -");
    EXPECT_THAT(text, HasSubstr("ffi_prep_cif"));
}

TEST(CliQtHelp, SampleCompilesIntoAQtHelpFile) {
    TempDir out;
    const CliRun run = RunCli({"build", kSample, "--qthelp", "--out", out / "sample.qch"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Writing the Qt help project...\nCompiling...\n"));
    EXPECT_EQ(ReadFile(out / "sample.qch").substr(0, 15), "SQLite format 3");
    EXPECT_THAT(run.output, Not(HasSubstr("does not exist")));
}

TEST(CliOneFileOutputs, TheTargetNeverDestroysAnotherFile) {
    TempDir out;
    // A file that is not an earlier output stays unless --force is given.
    WriteFile(out / "notes.pdf", "my notes");
    CliRun run = RunCli({"build", kSample, "--epub", "--out", out / "notes.pdf"});
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("--force"));
    EXPECT_EQ(ReadFile(out / "notes.pdf"), "my notes");
    run = RunCli({"build", kSample, "--epub", "--out", out / "notes.pdf", "--force"});
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(ReadFile(out / "notes.pdf").substr(0, 2), "PK");

    // An earlier output of the same kind is replaced without a question.
    run = RunCli({"build", kSample, "--epub", "--out", out / "notes.pdf"});
    EXPECT_EQ(run.code, 0) << run.output;

    // A page of the project is never replaced, --force or not.
    TempDir project;
    fs::copy(std::string(PARVANE_BINARY_DIR) + "/support/sample", project / "sample",
             fs::copy_options::recursive);
    const CliRun made = RunCli({"new", project / "sample", "--output", project / "p.pvx",
                                "--import", "--encoding", "UTF-8", "--quiet"});
    ASSERT_EQ(made.code, 0) << made.output;
    const std::string page = ReadFile(project / "sample/welcome.htm");
    for (const char* kind : {"--epub", "--qthelp", "--pdf"}) {
        run = RunCli(
            {"build", project / "p.pvx", kind, "--out", project / "sample/welcome.htm", "--force"});
        EXPECT_EQ(run.code, 1) << kind;
        EXPECT_THAT(run.output, HasSubstr("never replaces it")) << kind;
    }
    // A picture the pages use is a file of the project too.
    run = RunCli({"build", project / "p.pvx", "--epub", "--out", project / "sample/images/logo.png",
                  "--force"});
    EXPECT_EQ(run.code, 1) << run.output;
    EXPECT_EQ(ReadFile(project / "sample/welcome.htm"), page);

    // Options that belong to another output are a usage error.
    EXPECT_EQ(RunCli({"build", kSample, "--epub", "--margin", "10"}).code, 2);
    EXPECT_EQ(RunCli({"build", kSample, "--pdf", "--page-size", "A3"}).code, 2);
    EXPECT_EQ(RunCli({"build", kSample, "--pdf", "--out", out.Folder()}).code, 2);
}

TEST(CliQtHelp, ImportedManualCompilesWithoutAMissingFile) {
    ImportedManual manual("/usr/share/doc/libxslt1-dev/html");
    ASSERT_TRUE(manual.present) << "scripts/setup installs libxslt1-dev";
    const CliRun run = RunCli({"build", manual.pvx, "--qthelp", "--out", manual.dir / "m.qch"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Documentation successfully generated."));
    // qhelpgenerator names every file of the contents or keywords it cannot find.
    EXPECT_THAT(run.output, Not(HasSubstr("does not exist")));
    EXPECT_THAT(run.output, Not(HasSubstr("Warning")));
    EXPECT_EQ(ReadFile(manual.dir / "m.qch").substr(0, 15), "SQLite format 3");
}
