#pragma once
// The PDF output: the Single HTML of the project, laid out for print (a title page, the
// numbered table of contents, each top-level topic on a new page), printed by parvane-pdf
// (Qt WebEngine, a separate program because the core links no Qt), then finished with
// libqpdf: the outline (bookmarks) of the table of contents, page numbers in the footer and
// the document title. The branch is BuildPdfBranch (build_driver.h).

#include "output/contents.h"

#include <string>
#include <vector>

namespace parvane {

// The page parvane-pdf prints, as UTF-8 HTML.
std::string BuildPrintPage(const TContents& contents);
// The same book as parts of about topicsPerPart topics each, cut before top-level topics
// (one part when topicsPerPart is 0 or the book is smaller). The first part holds the title
// page and the contents. Each part lists links to its own headings out of sight, so the
// printer makes every heading a named destination; links between parts are joined again
// when the parts are merged.
std::vector<std::string> BuildPrintPages(const TContents& contents, std::size_t topicsPerPart);

// Topics per printed part: the engine's time and memory grow faster with one long document
// than with several short ones.
inline constexpr std::size_t kPdfTopicsPerPart = 250;

// One bookmark: its depth (1 = top), title and the anchor of its heading in the page.
struct TPdfOutlineEntry {
    int Level = 1;
    std::string Title;
    std::string Anchor;
};
std::vector<TPdfOutlineEntry> PdfOutlineEntries(const TContents& contents);

struct TPdfFinish {
    std::string Title;
    // Height of the footer's baseline above the page's lower edge, in points.
    double FooterBaseline = 28;
    // Pages from here on (0-based) get their number; the title page has none.
    int FirstNumberedPage = 1;
};

struct TPdfFinishResult {
    int Pages = 0;
    int OutlineEntries = 0;
    int MissingAnchors = 0; // bookmarks whose heading was not found (they open the page before)
};

// Reads the printed file, adds outline, page numbers and title, writes output. Throws
// EParvaneError when the file cannot be read or written.
TPdfFinishResult FinishPdf(const std::string& input, const std::string& output,
                           const std::vector<TPdfOutlineEntry>& outline, const TPdfFinish& finish);
// The same for a book printed in parts: their pages in order in one file, their named
// destinations merged so links and bookmarks reach across parts.
TPdfFinishResult FinishPdf(const std::vector<std::string>& inputs, const std::string& output,
                           const std::vector<TPdfOutlineEntry>& outline, const TPdfFinish& finish);

// parvane-pdf: $PARVANE_PDF, beside the running program, or on PATH. "" if none.
std::string FindPdfPrinter();

} // namespace parvane
