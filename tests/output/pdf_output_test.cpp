#include "../support/test_project.h"
#include "model/errors.h"
#include "output/build_driver.h"
#include "output/contents.h"
#include "output/pdf_output.h"

#include <array>
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A PDF of `pages` A4 pages whose named destinations A0.. point at the pages given; the
// first two as the old /Dests dictionary, the rest in the /Names tree (printers use both).
void WritePdfWithDestinations(const std::string& path, int pages,
                              const std::vector<int>& destinationPages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (int i = 0; i < pages; ++i) {
        QPDFObjectHandle page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>"));
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 0 m 10 10 l S\n"));
        helper.addPage(QPDFPageObjectHelper(page), false);
    }
    const std::vector<QPDFPageObjectHelper> all = helper.getAllPages();
    QPDFObjectHandle dests = QPDFObjectHandle::newDictionary();
    QPDFObjectHandle names = QPDFObjectHandle::newArray();
    for (std::size_t i = 0; i < destinationPages.size(); ++i) {
        QPDFObjectHandle dest = QPDFObjectHandle::newArray(
            {all[static_cast<std::size_t>(destinationPages[i])].getObjectHandle(),
             QPDFObjectHandle::newName("/XYZ"), QPDFObjectHandle::newInteger(0),
             QPDFObjectHandle::newInteger(800), QPDFObjectHandle::newNull()});
        const std::string name = "A" + std::to_string(i);
        if (i < 2) {
            dests.replaceKey("/" + name, dest);
        } else {
            names.appendItem(QPDFObjectHandle::newString(name));
            names.appendItem(dest);
        }
    }
    pdf.getRoot().replaceKey("/Dests", dests);
    QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
    tree.replaceKey("/Names", names);
    QPDFObjectHandle nameDict = QPDFObjectHandle::newDictionary();
    nameDict.replaceKey("/Dests", tree);
    pdf.getRoot().replaceKey("/Names", nameDict);
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

int PageOf(QPDF& pdf, QPDFOutlineObjectHelper& item) {
    QPDFObjectHandle page = item.getDestPage();
    const auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].getObjectHandle().getObjGen() == page.getObjGen())
            return static_cast<int>(i);
    return -1;
}

std::string ShellQuoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

} // namespace

TEST(PdfFinish, OutlineFollowsTheContentsAndFindsEachHeadingsPage) {
    TempDir dir;
    WritePdfWithDestinations(dir / "in.pdf", 4, {1, 2, 2});
    const std::vector<TPdfOutlineEntry> outline = {{1, "1. Start", "A0"},
                                                   {2, "1.1 Inner \xC3\xBC", "A1"},
                                                   {3, "1.1.1 Deep", "A2"},
                                                   {1, "2. Lost", "A7"}};
    TPdfFinish finish;
    finish.Title = "My Manual";
    const TPdfFinishResult result = FinishPdf(dir / "in.pdf", dir / "out.pdf", outline, finish);
    EXPECT_EQ(result.Pages, 4);
    EXPECT_EQ(result.OutlineEntries, 4);
    EXPECT_EQ(result.MissingAnchors, 1);

    QPDF pdf;
    pdf.processFile((dir / "out.pdf").c_str());
    QPDFOutlineDocumentHelper outlines(pdf);
    std::vector<QPDFOutlineObjectHelper> top = outlines.getTopLevelOutlines();
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].getTitle(), "1. Start");
    EXPECT_EQ(PageOf(pdf, top[0]), 1);
    std::vector<QPDFOutlineObjectHelper> kids = top[0].getKids();
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(kids[0].getTitle(), "1.1 Inner \xC3\xBC");
    EXPECT_EQ(PageOf(pdf, kids[0]), 2);
    std::vector<QPDFOutlineObjectHelper> deep = kids[0].getKids();
    ASSERT_EQ(deep.size(), 1u);
    EXPECT_EQ(PageOf(pdf, deep[0]), 2);
    // Closed branches count their children negatively; the root counts what is visible.
    EXPECT_EQ(top[0].getCount(), -1);
    EXPECT_EQ(pdf.getRoot().getKey("/Outlines").getKey("/Count").getIntValue(), 2);
    // A heading that was not found opens the page of the bookmark before it.
    EXPECT_EQ(top[1].getTitle(), "2. Lost");
    EXPECT_EQ(PageOf(pdf, top[1]), 2);
    EXPECT_EQ(pdf.getTrailer().getKey("/Info").getKey("/Title").getUTF8Value(), "My Manual");
}

TEST(PdfFinish, PageNumbersInTheFooterFromTheSecondPage) {
    TempDir dir;
    WritePdfWithDestinations(dir / "in.pdf", 3, {});
    FinishPdf(dir / "in.pdf", dir / "out.pdf", {}, TPdfFinish{});
    const std::string first = Shell("pdftotext -f 1 -l 1 " + ShellQuoted(dir / "out.pdf") + " -");
    const std::string third = Shell("pdftotext -f 3 -l 3 " + ShellQuoted(dir / "out.pdf") + " -");
    EXPECT_THAT(first, Not(HasSubstr("1")));
    EXPECT_THAT(third, HasSubstr("3"));
    EXPECT_EQ(Shell("qpdf --check " + ShellQuoted(dir / "out.pdf") + " >/dev/null 2>&1; echo $?"),
              "0\n");
}

TEST(PdfFinish, AFileThatIsNoPdfIsAClearError) {
    TempDir dir;
    WriteFile(dir / "bad.pdf", "%PDF-1.4 but nothing else");
    EXPECT_THROW(FinishPdf(dir / "bad.pdf", dir / "out.pdf", {}, TPdfFinish{}), EParvaneError);
    EXPECT_FALSE(fs::exists(dir / "out.pdf"));
}

TEST(PdfPrintPage, TitlePageNumberedContentsAndAnchoredHeadings) {
    TestProject p;
    p.Project().ProjectSettings.Title = "Cats & Dogs";
    p.Write("a.htm", Page("A", "<p>Go to <a href=\"b.htm\">b</a>.</p>"));
    p.Write("b.htm", Page("B", "<p>bee</p>"));
    TTopicNode* a = p.Add("Alpha", "a.htm");
    p.Add("Beta <b>", "b.htm", a);
    TTopicNode* deep = p.Add("Gamma", "", nullptr, tsNoLink);
    for (int i = 0; i < 6; ++i)
        deep = p.Add("Level " + std::to_string(i + 2), "", deep, tsNoLink);

    TContents contents(p.Project());
    contents.BuildItems();
    const std::string page = BuildPrintPage(contents);
    EXPECT_THAT(page, HasSubstr("<p class=\"pv-title\">Cats &amp; Dogs</p>"));
    EXPECT_THAT(page, HasSubstr("<a href=\"#A0\"><span class=\"pv-number\">1.</span> Alpha</a>"));
    EXPECT_THAT(page, HasSubstr("<a href=\"#A1\"><span class=\"pv-number\">1.1</span> "
                                "Beta &lt;b&gt;</a>"));
    EXPECT_THAT(page, HasSubstr("<h1 id=\"A0\" class=\"pv-topic\">1. Alpha</h1>"));
    EXPECT_THAT(page, HasSubstr("<h2 id=\"A1\" class=\"pv-topic\">1.1 Beta &lt;b&gt;</h2>"));
    EXPECT_THAT(page, HasSubstr("<h1 id=\"A2\" class=\"pv-topic\">2. Gamma</h1>"));
    // Depth seven has no HTML heading: it prints as h6.
    EXPECT_THAT(page, HasSubstr("<h6 id=\"A8\" class=\"pv-topic\">2.1.1.1.1.1.1 Level 7</h6>"));
    EXPECT_THAT(page, Not(HasSubstr("<h7")));
    EXPECT_THAT(page, Not(HasSubstr("<a name=\"A")));
    EXPECT_THAT(page, HasSubstr("<a href=\"#A1\">b</a>")) << "links between topics stay inside";
    EXPECT_THAT(page, HasSubstr("h1.pv-topic { break-before: page; }"));

    const std::vector<TPdfOutlineEntry> outline = PdfOutlineEntries(contents);
    ASSERT_EQ(outline.size(), contents.Items.size());
    EXPECT_EQ(outline[1].Level, 2);
    EXPECT_EQ(outline[1].Title, "1.1 Beta <b>");
    EXPECT_EQ(outline[1].Anchor, "A1");
}

TEST(PdfPrintPage, ALongBookIsPrintedInPartsCutBeforeChapters) {
    TestProject p;
    for (int c = 0; c < 4; ++c) {
        p.Write("c" + std::to_string(c) + ".htm", Page("C", "<p>chapter</p>"));
        TTopicNode* chapter =
            p.Add("Chapter " + std::to_string(c), "c" + std::to_string(c) + ".htm");
        p.Add("Section", "", chapter, tsNoLink);
    }
    TContents contents(p.Project());
    contents.BuildItems(); // items 0..7, chapters at 0, 2, 4, 6
    EXPECT_EQ(BuildPrintPages(contents, 0).size(), 1u);
    EXPECT_EQ(BuildPrintPages(contents, 8).size(), 1u);

    const std::vector<std::string> parts = BuildPrintPages(contents, 3);
    ASSERT_EQ(parts.size(), 2u); // items 0-3 reach three topics at item 4, a chapter
    EXPECT_THAT(parts[0], HasSubstr("class=\"pv-title-page\""));
    EXPECT_THAT(parts[0], HasSubstr("<a href=\"#A6\"><span class=\"pv-number\">4.</span>"));
    EXPECT_THAT(parts[1], Not(HasSubstr("class=\"pv-title-page\"")));
    EXPECT_THAT(parts[0], HasSubstr("<h1 id=\"A2\""));
    EXPECT_THAT(parts[0], Not(HasSubstr("<h1 id=\"A4\"")));
    EXPECT_THAT(parts[1], HasSubstr("<h1 id=\"A4\""));
    EXPECT_THAT(parts[1], HasSubstr("<h1 id=\"A6\""));
    // Each part links its own headings, so each heading becomes a destination.
    EXPECT_THAT(parts[0], HasSubstr("<a href=\"#A3\"></a><span id=\"A4\">"));
    EXPECT_THAT(parts[1], HasSubstr("<div style=\"display:none\"><a href=\"#A4\"></a>"));
    // The contents (part one) link to the later chapters: stand-ins keep those links.
    EXPECT_THAT(parts[0], HasSubstr("<span id=\"A4\"></span><span id=\"A5\"></span>"));
    EXPECT_THAT(parts[0], Not(HasSubstr("<span id=\"A3\">")));
    EXPECT_THAT(parts[1], Not(HasSubstr("<span id=")));
    for (const std::string& part : parts) {
        EXPECT_THAT(part, HasSubstr("<!DOCTYPE html>"));
        EXPECT_THAT(part, HasSubstr("</html>"));
    }
}

TEST(PdfBuild, PartsPrintedSeparatelyMakeOneBookWithEveryLinkAndBookmark) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.LoadFromFile(PARVANE_BINARY_DIR "/support/sample.pvx");
    TContents contents(project);
    contents.BuildItems();

    struct Host : TBuildHost {
        void Info(const std::string& text) override { lines += text + "\n"; }
        std::string lines;
    };
    TempDir dir;
    TBuildRequest request;
    request.Kind = OutputKind::Pdf;
    request.OutputOverride = dir / "parts.pdf";
    request.PdfTopicsPerPart = 4;
    Host host;
    const TBuildResult result = RunBuild(project, request, host);
    ASSERT_TRUE(result.Ok) << result.Message << "\n" << host.lines;
    EXPECT_THAT(host.lines, HasSubstr("Printing part 2 of "));
    EXPECT_THAT(host.lines, Not(HasSubstr("did not find their heading")));

    const std::string pdf = ShellQuoted(dir / "parts.pdf");
    EXPECT_EQ(Shell("qpdf --check " + pdf + " >/dev/null 2>&1; echo $?"), "0\n");
    QPDF merged;
    merged.processFile((dir / "parts.pdf").c_str());
    QPDFOutlineDocumentHelper outlines(merged);
    int bookmarks = 0;
    std::vector<QPDFOutlineObjectHelper> pending = outlines.getTopLevelOutlines();
    int lastPage = -1;
    bool ordered = true;
    while (!pending.empty()) {
        QPDFOutlineObjectHelper item = pending.front();
        pending.erase(pending.begin());
        ++bookmarks;
        const int page = PageOf(merged, item);
        ordered = ordered && page >= lastPage;
        lastPage = page;
        std::vector<QPDFOutlineObjectHelper> kids = item.getKids();
        pending.insert(pending.begin(), kids.begin(), kids.end());
    }
    EXPECT_EQ(bookmarks, static_cast<int>(contents.Items.size()));
    EXPECT_TRUE(ordered) << "bookmarks in contents order open pages in book order";
    // Every link names a destination the merged book holds: the contents page (part one)
    // reaches the headings of the later parts.
    QPDFObjectHandle dests = merged.getRoot().getKey("/Dests");
    ASSERT_TRUE(dests.isDictionary());
    int links = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(merged).getAllPages()) {
        QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
        for (int i = 0; annots.isArray() && i < annots.getArrayNItems(); ++i) {
            QPDFObjectHandle dest = annots.getArrayItem(i).getKey("/Dest");
            if (!dest.isName())
                continue;
            ++links;
            EXPECT_TRUE(dests.hasKey(dest.getName())) << dest.getName();
        }
    }
    EXPECT_GE(links, static_cast<int>(contents.Items.size()));
    // No link is left pointing into the print folder, which the build removes.
    const std::string all = Shell("qpdf --qdf --object-streams=disable " + pdf + " -");
    EXPECT_THAT(all, Not(HasSubstr("file:")));
}
