// The PDF branch of the build: the print page, the printer run, the finishing touches.

#include "output/pdf_output.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/epub.h"
#include "output/output_file.h"

#include <algorithm>
#include <map>
#include <memory>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <set>

namespace parvane {

namespace SF = StringFunc;

namespace {

const char* const kPrintStyle = R"css(
body { font-family: "DejaVu Serif", "Liberation Serif", serif; font-size: 11pt; line-height: 1.4; }
.pv-title-page { break-after: page; text-align: center; padding-top: 30%; }
.pv-title { font-family: "DejaVu Sans", "Liberation Sans", sans-serif; font-size: 28pt;
            font-weight: bold; margin: 0; }
.pv-toc-heading { font-family: "DejaVu Sans", "Liberation Sans", sans-serif; font-size: 18pt; }
.pv-toc p { margin: 2pt 0; }
.pv-toc a { color: inherit; text-decoration: none; }
.pv-toc .pv-number { display: inline-block; min-width: 3em; }
h1, h2, h3, h4, h5, h6 { font-family: "DejaVu Sans", "Liberation Sans", sans-serif;
                         break-after: avoid; }
h1.pv-topic { break-before: page; }
img { max-width: 100%; }
pre { white-space: pre-wrap; }
table { border-collapse: collapse; }
.back { display: none; }
)css";

// "<a name="A12"><h2>" as the generator writes it: the anchor becomes the heading's id, so
// the heading (not an empty anchor left at the foot of the page before) is the target.
// Depths beyond six are printed as h6.
std::string AnchoredHeadings(const std::string& pages) {
    std::string out;
    out.reserve(pages.size() + pages.size() / 16);
    const std::string mark = "<a name=\"A";
    std::size_t pos = 0;
    for (;;) {
        const std::size_t found = pages.find(mark, pos);
        if (found == std::string::npos)
            break;
        std::size_t p = found + mark.size();
        std::size_t digits = p;
        while (digits < pages.size() && std::isdigit(static_cast<unsigned char>(pages[digits])))
            ++digits;
        const std::size_t level = digits + 4; // after "\"><h"
        if (digits == p || pages.compare(digits, 4, "\"><h") != 0 || level >= pages.size() ||
            !std::isdigit(static_cast<unsigned char>(pages[level]))) {
            out.append(pages, pos, p - pos);
            pos = p;
            continue;
        }
        std::size_t levelEnd = level;
        while (levelEnd < pages.size() && std::isdigit(static_cast<unsigned char>(pages[levelEnd])))
            ++levelEnd;
        if (levelEnd >= pages.size() || pages[levelEnd] != '>') {
            out.append(pages, pos, p - pos);
            pos = p;
            continue;
        }
        const std::string levelText = pages.substr(level, levelEnd - level);
        const std::string close = "</h" + levelText + ">";
        const std::size_t closeAt = pages.find(close, levelEnd);
        if (closeAt == std::string::npos) {
            out.append(pages, pos, p - pos);
            pos = p;
            continue;
        }
        const int depth = std::min(6, std::stoi(levelText.substr(0, 3)));
        const std::string tag = "h" + std::to_string(depth);
        out.append(pages, pos, found - pos);
        out += "<" + tag + " id=\"A" + pages.substr(p, digits - p) + "\" class=\"pv-topic\">";
        out.append(pages, levelEnd + 1, closeAt - levelEnd - 1);
        out += "</" + tag + ">";
        pos = closeAt + close.size();
    }
    out.append(pages, pos, std::string::npos);
    return out;
}

std::string ProjectTitle(const TPvx& project) {
    const std::string title = SF::Trim(project.ProjectSettings.Title);
    return title.empty() ? Paths::ChangeFileExt(Paths::ExtractFileName(project.FileName), "")
                         : title;
}

} // namespace

std::string BuildPrintPage(const TContents& contents) {
    return BuildPrintPages(contents, 0).front();
}

std::vector<std::string> BuildPrintPages(const TContents& contents, std::size_t topicsPerPart) {
    const TPvx& project = contents.Project;
    const std::string title = SF::HtmlEncode(ProjectTitle(project));
    const std::string head = "<!DOCTYPE html>\n<html lang=\"" +
                             EpubLanguage(project.ProjectSettings.Language) +
                             "\">\n<head>\n<meta charset=\"UTF-8\">\n<title>" + title +
                             "</title>\n<style>" + kPrintStyle + "</style>\n</head>\n<body>\n";
    const std::string tail = "\n</body>\n</html>\n";
    std::string page =
        "<div class=\"pv-title-page\"><p class=\"pv-title\">" + title + "</p></div>\n";
    if (!contents.Items.empty()) {
        page += "<div class=\"pv-toc\">\n<p class=\"pv-toc-heading\">Contents</p>\n";
        for (std::size_t i = 0; i < contents.Items.size(); ++i) {
            const TContentsItem& item = *contents.Items[i];
            page +=
                "<p style=\"margin-left:" + std::to_string(1.5 * (item.Level - 1)).substr(0, 4) +
                "em\"><a href=\"#A" + std::to_string(i) + "\"><span class=\"pv-number\">" +
                contents.ItemNumber(i) + "</span> " + SF::HtmlEncode(item.Title) + "</a></p>\n";
        }
        page += "</div>\n";
    }
    const std::string body = AnchoredHeadings(contents.BuildSinglePages());
    const std::size_t n = contents.Items.size();
    if (topicsPerPart == 0 || n <= topicsPerPart)
        return {head + page + body + tail};

    // Out of sight: links to the part's own headings, so the printer gives each of them a
    // destination, and stand-ins for the headings of other parts that this part links to,
    // without which the printer drops those links (a hidden stand-in gets no destination of
    // its own; the merge points the link at the real heading).
    auto anchors = [](std::size_t from, std::size_t to, const std::string& text) {
        std::string list = "<div style=\"display:none\">";
        for (std::size_t i = from; i < to; ++i)
            list += "<a href=\"#A" + std::to_string(i) + "\"></a>";
        std::set<std::size_t> elsewhere;
        const std::string mark = "href=\"#A";
        for (std::size_t at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + mark.size())) {
            std::size_t end = at + mark.size();
            std::size_t number = 0;
            bool digits = false;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) &&
                   number < 100000000) {
                number = number * 10 + static_cast<std::size_t>(text[end++] - '0');
                digits = true;
            }
            if (digits && end < text.size() && text[end] == '"' && (number < from || number >= to))
                elsewhere.insert(number);
        }
        for (std::size_t i : elsewhere)
            list += "<span id=\"A" + std::to_string(i) + "\"></span>";
        return list + "</div>\n";
    };
    std::vector<std::string> parts;
    std::size_t partItem = 0, partPos = 0, searchFrom = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (contents.Items[i]->Level != 1 || i - partItem < topicsPerPart)
            continue;
        const std::string marker = "<h1 id=\"A" + std::to_string(i) + "\" class=\"pv-topic\">";
        const std::size_t at = body.find(marker, searchFrom);
        if (at == std::string::npos)
            continue;
        const std::string text =
            (parts.empty() ? page : std::string()) + body.substr(partPos, at - partPos);
        parts.push_back(head + anchors(partItem, i, text) + text + tail);
        partItem = i;
        partPos = at;
        searchFrom = at + marker.size();
    }
    const std::string text = (parts.empty() ? page : std::string()) + body.substr(partPos);
    parts.push_back(head + anchors(partItem, n, text) + text + tail);
    return parts;
}

std::vector<TPdfOutlineEntry> PdfOutlineEntries(const TContents& contents) {
    std::vector<TPdfOutlineEntry> entries;
    entries.reserve(contents.Items.size());
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        entries.push_back(
            {std::max(1, item.Level), contents.ItemNumber(i) + " " + item.Title, "A" + std::to_string(i)});
    }
    return entries;
}

// ---- finishing with libqpdf ---------------------------------------------------------------

namespace {

// A destination as an explicit array [page /XYZ ...], from a named destination's value.
QPDFObjectHandle ExplicitDestination(QPDFObjectHandle value) {
    if (value.isDictionary())
        value = value.getKey("/D");
    return value.isArray() && value.getArrayNItems() > 0 ? value : QPDFObjectHandle();
}

std::map<std::string, QPDFObjectHandle> NamedDestinations(QPDF& pdf) {
    std::map<std::string, QPDFObjectHandle> dests;
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle old = root.getKey("/Dests");
    if (old.isDictionary())
        for (const std::string& key : old.getKeys())
            if (QPDFObjectHandle d = ExplicitDestination(old.getKey(key)); d.isInitialized())
                dests[key.substr(1)] = d;
    QPDFObjectHandle names = root.getKey("/Names");
    if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
        QPDFNameTreeObjectHelper tree(names.getKey("/Dests"), pdf);
        for (auto entry : tree)
            if (QPDFObjectHandle d = ExplicitDestination(entry.second); d.isInitialized())
                dests[entry.first] = d;
    }
    return dests;
}

std::string PdfNumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace

TPdfFinishResult FinishPdf(const std::string& input, const std::string& output,
                           const std::vector<TPdfOutlineEntry>& outline, const TPdfFinish& finish) {
    return FinishPdf(std::vector<std::string>{input}, output, outline, finish);
}

TPdfFinishResult FinishPdf(const std::vector<std::string>& inputs, const std::string& output,
                           const std::vector<TPdfOutlineEntry>& outline, const TPdfFinish& finish) {
    TPdfFinishResult result;
    try {
        if (inputs.empty())
            throw EParvaneError("Nothing was printed.");
        QPDF pdf;
        pdf.processFile(inputs.front().c_str());
        std::map<std::string, QPDFObjectHandle> dests = NamedDestinations(pdf);
        // Further parts: their pages are appended, their destinations re-pointed at the
        // copies. The parts stay open until the file is written (qpdf copies their streams
        // then).
        std::vector<std::unique_ptr<QPDF>> parts;
        QPDFPageDocumentHelper pageHelper(pdf);
        for (std::size_t p = 1; p < inputs.size(); ++p) {
            auto part = std::make_unique<QPDF>();
            part->processFile(inputs[p].c_str());
            std::map<QPDFObjGen, QPDFObjectHandle> copies;
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*part).getAllPages()) {
                QPDFObjectHandle copy = pdf.copyForeignObject(page.getObjectHandle());
                pageHelper.addPage(QPDFPageObjectHelper(copy), false);
                copies[page.getObjectHandle().getObjGen()] = copy;
            }
            for (auto& [name, dest] : NamedDestinations(*part)) {
                const auto page = copies.find(dest.getArrayItem(0).getObjGen());
                if (page == copies.end() || dests.count(name))
                    continue;
                QPDFObjectHandle local = QPDFObjectHandle::newArray();
                local.appendItem(page->second);
                for (int k = 1; k < dest.getArrayNItems(); ++k)
                    local.appendItem(QPDFObjectHandle::parse(dest.getArrayItem(k).unparse()));
                dests[name] = local;
            }
            parts.push_back(std::move(part));
        }
        // Links name their destinations; one table serves every part.
        QPDFObjectHandle table = QPDFObjectHandle::newDictionary();
        for (const auto& [name, dest] : dests)
            table.replaceKey("/" + name, dest);
        pdf.getRoot().replaceKey("/Dests", pdf.makeIndirectObject(table));
        pdf.getRoot().removeKey("/Names");
        std::vector<QPDFPageObjectHelper> pages = pageHelper.getAllPages();
        result.Pages = static_cast<int>(pages.size());
        if (pages.empty())
            throw EParvaneError("The printed PDF \"" + inputs.front() + "\" has no pages.");

        // The printer writes a link to a heading of another part, and a link to a file, as a
        // link to a file of the print folder, which is gone after the build: the first kind
        // becomes a link to its destination, the second is taken out.
        for (QPDFPageObjectHelper& page : pages) {
            QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
            if (!annots.isArray())
                continue;
            QPDFObjectHandle kept = QPDFObjectHandle::newArray();
            bool changed = false;
            for (int i = 0; i < annots.getArrayNItems(); ++i) {
                QPDFObjectHandle annot = annots.getArrayItem(i);
                QPDFObjectHandle action =
                    annot.isDictionary() ? annot.getKey("/A") : QPDFObjectHandle::newNull();
                const bool fileLink = action.isDictionary() && action.getKey("/URI").isString() &&
                                      action.getKey("/URI").getUTF8Value().rfind("file:", 0) == 0;
                if (!fileLink) {
                    kept.appendItem(annot);
                    continue;
                }
                changed = true;
                const std::string uri = action.getKey("/URI").getUTF8Value();
                const std::size_t hash = uri.rfind('#');
                const std::string name = hash == std::string::npos ? "" : uri.substr(hash + 1);
                if (!name.empty() && dests.count(name)) {
                    annot.removeKey("/A");
                    annot.replaceKey("/Dest", QPDFObjectHandle::newName("/" + name));
                    kept.appendItem(annot);
                }
            }
            if (changed)
                page.getObjectHandle().replaceKey("/Annots", kept);
        }

        // The outline: one item per entry, nested by level; items with children start
        // closed, so a long manual opens as its chapters.
        QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        struct TOpen {
            QPDFObjectHandle Item;
            int Level;
            int Children;
        };
        std::vector<TOpen> stack{{outlines, 0, 0}};
        QPDFObjectHandle lastDest = QPDFObjectHandle::newArray(
            {pages.front().getObjectHandle(), QPDFObjectHandle::newName("/Fit")});
        auto closeTop = [&stack] {
            TOpen& top = stack.back();
            if (top.Level > 0 && top.Children > 0)
                top.Item.replaceKey("/Count", QPDFObjectHandle::newInteger(-top.Children));
            stack.pop_back();
        };
        for (const TPdfOutlineEntry& entry : outline) {
            while (stack.size() > 1 && stack.back().Level >= entry.Level)
                closeTop();
            TOpen& parent = stack.back();
            QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.Title));
            item.replaceKey("/Parent", parent.Item);
            const auto dest = dests.find(entry.Anchor);
            if (dest != dests.end())
                lastDest = dest->second;
            else
                ++result.MissingAnchors;
            item.replaceKey("/Dest", lastDest);
            if (parent.Children == 0) {
                parent.Item.replaceKey("/First", item);
            } else {
                QPDFObjectHandle previous = parent.Item.getKey("/Last");
                previous.replaceKey("/Next", item);
                item.replaceKey("/Prev", previous);
            }
            parent.Item.replaceKey("/Last", item);
            ++parent.Children;
            ++result.OutlineEntries;
            stack.push_back({item, entry.Level, 0});
        }
        while (stack.size() > 1)
            closeTop();
        if (stack.front().Children > 0) {
            outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(stack.front().Children));
            pdf.getRoot().replaceKey("/Outlines", outlines);
            pdf.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
        }

        // Page numbers: Helvetica needs no embedding and holds the digits.
        QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        for (std::size_t i = static_cast<std::size_t>(std::max(0, finish.FirstNumberedPage));
             i < pages.size(); ++i) {
            QPDFPageObjectHelper& page = pages[i];
            QPDFObjectHandle resources = page.getAttribute("/Resources", true);
            if (!resources.isDictionary()) {
                resources = QPDFObjectHandle::newDictionary();
                page.getObjectHandle().replaceKey("/Resources", resources);
            }
            QPDFObjectHandle fonts = resources.getKey("/Font");
            if (!fonts.isDictionary()) {
                fonts = QPDFObjectHandle::newDictionary();
                resources.replaceKey("/Font", fonts);
            }
            fonts.replaceKey("/PvPageNumber", font);
            const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
            const std::string number = std::to_string(i + 1);
            const double size = 9;
            const double width = 0.556 * size * static_cast<double>(number.size());
            const double x = (box.llx + box.urx) / 2 - width / 2;
            const double y = box.lly + finish.FooterBaseline;
            page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
            page.addPageContents(
                QPDFObjectHandle::newStream(&pdf, "\nQ\nq BT /PvPageNumber 9 Tf 0.35 g " +
                                                      PdfNumberText(x) + " " + PdfNumberText(y) +
                                                      " Td (" + number + ") Tj ET Q\n"),
                false);
        }

        QPDFObjectHandle trailer = pdf.getTrailer();
        QPDFObjectHandle info = trailer.getKey("/Info");
        if (!info.isDictionary()) {
            info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            trailer.replaceKey("/Info", info);
        }
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(finish.Title));
        info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString("Parvane " PARVANE_VERSION));
        if (!finish.Title.empty())
            pdf.getRoot().replaceKey("/ViewerPreferences",
                                     QPDFObjectHandle::parse("<< /DisplayDocTitle true >>"));

        QPDFWriter writer(pdf, output.c_str());
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.write();
    } catch (const EParvaneError&) {
        throw;
    } catch (const std::exception& e) {
        throw EParvaneError("Cannot finish the PDF file: " + std::string(e.what()));
    }
    return result;
}

std::string FindPdfPrinter() {
    const std::string beside = ExecutableFolder();
    std::vector<std::string> candidates;
    if (!beside.empty())
        candidates.push_back(beside + "parvane-pdf");
    candidates.push_back("parvane-pdf");
    return FindProgram("PARVANE_PDF", candidates);
}

void BuildPdfBranch(TBuildContext& ctx) {
    TPvx& project = ctx.Project;
    TContents& contents = ctx.Contents;
    const std::string root = Paths::IncludeTrailingSlash(project.RootFolder());

    // The request's paper for this run, else the project's.
    const std::string& wanted = ctx.Request.PdfPageSize.empty()
                                    ? project.ProjectSettings.PdfPageSize
                                    : ctx.Request.PdfPageSize;
    const std::string pageSize = PdfPageSizeName(wanted.empty() ? kDefaultPdfPageSize : wanted);
    if (pageSize.empty())
        throw EParvaneError("The page size \"" + wanted + "\" is not known; choose A4 or Letter.");
    const int margin =
        ctx.Request.PdfMargin < 0 ? project.ProjectSettings.PdfMargin : ctx.Request.PdfMargin;
    if (margin < 0 || margin > kMaxPdfMargin)
        throw EParvaneError("A margin of " + std::to_string(margin) +
                            " mm leaves no room for the text; choose 0 to " +
                            std::to_string(kMaxPdfMargin) + " mm.");

    ctx.Host.Info("Preparing files...");
    std::vector<std::string> topicPages;
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, item->Url));
        if (page.empty())
            continue;
        CollectFiles(contents, page);
        topicPages.push_back(page);
    }
    static const TOutputFileKind kind{"PDF", ".pdf", LooksLikePdf};
    const std::string target = PrepareOutputFile(ctx, ctx.Project.ProjectSettings.PdfFile, kind);
    for (const std::string& page : topicPages)
        contents.Files.erase(page);

    const std::string printer = FindPdfPrinter();
    if (printer.empty())
        throw EParvaneError("The PDF printer \"parvane-pdf\" was not found beside the program, "
                            "so no PDF file was made. It is built with the desktop "
                            "application (Qt WebEngine).");

    const TPrivateFolder work("parvane-pdf");
    ctx.Host.Info("Creating page...");
    CopyCollectedFiles(ctx, work.Path());
    const std::vector<std::string> pages = BuildPrintPages(
        contents, ctx.Request.PdfTopicsPerPart ? ctx.Request.PdfTopicsPerPart : kPdfTopicsPerPart);
    std::vector<std::string> printerArgs{printer, "--page-size", pageSize, "--margin",
                                         std::to_string(margin)};
    std::vector<std::string> printed;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string name = work.Path() + ".parvane-print-" + std::to_string(i + 1);
        TextCodec::WriteFileAtomic(name + ".htm", pages[i]);
        printerArgs.push_back(name + ".htm");
        printerArgs.push_back(name + ".pdf");
        printed.push_back(name + ".pdf");
    }

    ctx.Host.Info("Printing (" + pageSize + ", margins " + std::to_string(margin) + " mm)...");
    // The printer's own lines are shown; what the browser engine says about graphics and
    // flags is kept back unless printing fails.
    std::vector<std::string> engineLines;
    const TProgramRun run =
        RunProgram(printerArgs, work.Path(), [&ctx, &engineLines](const std::string& line) {
            if (SF::Trim(line).empty())
                return;
            if (line.rfind("parvane-pdf", 0) == 0 || line.rfind("Printing", 0) == 0)
                ctx.Host.Info(line);
            else if (engineLines.size() < 20)
                engineLines.push_back(line);
        });
    if (!run.Started)
        throw EParvaneError(run.Error);
    if (run.ExitStatus != 0 || !std::all_of(printed.begin(), printed.end(),
                                            [](const std::string& f) { return LooksLikePdf(f); })) {
        for (const std::string& line : engineLines)
            ctx.Host.Info(line);
        throw EParvaneError("Printing the PDF failed (exit status " +
                            std::to_string(run.ExitStatus) + "); no PDF file was made.");
    }

    ctx.Host.Info("Adding the outline and page numbers...");
    TPdfFinish finish;
    finish.Title = ProjectTitle(project);
    // The number sits in the middle of the bottom margin (parvane-pdf adds 5 mm to it).
    finish.FooterBaseline = (margin + 5) / 2.0 * 72 / 25.4 - 3;
    const std::string finished = work.Path() + ".parvane-finished.pdf";
    const TPdfFinishResult done = FinishPdf(printed, finished, PdfOutlineEntries(contents), finish);
    if (done.MissingAnchors > 0)
        ctx.Host.Info("Note: " + std::to_string(done.MissingAnchors) +
                      " bookmarks did not find their heading and open the page before.");
    InstallOutputFile(finished, target);

    ctx.Host.Info(std::to_string(done.Pages) + " pages, " + std::to_string(done.OutlineEntries) +
                  " bookmarks.");
    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + target);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = target;
}

} // namespace parvane
