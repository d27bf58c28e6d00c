// The Single HTML generator: every contents topic in one page, with a numbered heading
// and an anchor per topic, and links between topics turned into links to the anchors.

#include "model/link_scanner.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/contents.h"
#include "output/parallel_pages.h"

#include <unordered_map>

namespace parvane {

namespace SF = StringFunc;

std::string TContents::BuildSingleToc() const {
    std::string toc = "<div class=\"toc\"><a name=\"toc\">\r\n";
    for (std::size_t i = 0; i < Items.size(); ++i) {
        const TContentsItem& item = *Items[i];
        for (int l = 1; l < item.Level; ++l)
            toc += "&nbsp;&nbsp;&nbsp;&nbsp;";
        toc += item.Number;
        toc += " <a href=\"#A" + std::to_string(i) + "\">";
        toc += SF::HtmlEncode(item.Title);
        toc += "</a><BR>\r\n";
    }
    toc += "</div>";
    return toc;
}

std::string TContents::BuildSinglePages() const {
    std::string text;
    WriteSinglePages([&text](std::string_view piece) { text += piece; });
    return text;
}

void TContents::WriteSinglePages(const std::function<void(std::string_view)>& sink) const {
    const std::string root = Paths::IncludeTrailingSlash(Project.RootFolder());
    const bool hasToc = Project.ProjectSettings.SingleHtmlHasToc;

    // The first topic with a page at each address (without regard to case) owns the
    // anchor; one hash lookup per link keeps the rewriting linear.
    std::unordered_map<std::string, std::size_t> anchorOf;
    anchorOf.reserve(Items.size());
    for (std::size_t i = 0; i < Items.size(); ++i) {
        if (Items[i]->HasContent)
            anchorOf.emplace(
                SF::LowerCase(SF::CollapseDotDot(Paths::UrlToPath(root, Items[i]->Url))), i);
    }

    // Each page's links are resolved from its own folder, in one scan of its body: a link to
    // a topic becomes its anchor (or only its fragment), any other link of a page in a
    // sub-folder is made relative to the root, where the single page lives. This gives what
    // scanning the assembled page again from the root would, without a second scan, and
    // leaves the headings (titles are text, not links) alone. Pages are rewritten on all
    // cores and appended in order.
    auto part = [&](std::size_t i) {
        const TContentsItem& item = *Items[i];
        const std::string level = std::to_string(item.Level);
        std::string text = "<a name=\"A" + std::to_string(i) + "\">";
        text += "<h" + level + ">" + item.Number + " " + SF::HtmlEncode(item.Title) + "</h" +
                level + ">\r\n";
        if (!item.HasContent)
            return text;
        const std::string pageFolder = Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url));
        const bool inRoot = SF::SameText(pageFolder, root);
        THTMLRefer refer;
        std::vector<std::string> pieces;
        refer.SplitText(ItemBody(item), pageFolder, pieces);
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            if (p % 2 == 0) {
                text += pieces[p];
                continue;
            }
            const std::string target = SF::CollapseDotDot(pageFolder + pieces[p]);
            const auto found = anchorOf.find(SF::LowerCase(target));
            if (found != anchorOf.end()) {
                const bool hasFragment =
                    p + 1 < pieces.size() && !pieces[p + 1].empty() && pieces[p + 1][0] == '#';
                if (!hasFragment)
                    text += "#A" + std::to_string(found->second);
            } else if (inRoot) {
                text += pieces[p];
            } else {
                text += SF::ToForwardSlashes(Paths::RelativePath(target, root));
            }
        }
        text += "\r\n";
        if (hasToc)
            text += "<p align=\"right\" class=\"back\">[<a href=\"#toc\">TOP</a>]</p>\r\n";
        return text;
    };
    ForEachPageInOrder<std::string>(Items.size(), Threads, part,
                                    [&](std::size_t i, std::string&& text) {
                                        if (Items[i]->HasContent)
                                            Info(Items[i]->Url);
                                        sink(text);
                                    });
    Info("Changing hyperlinks...");
}

} // namespace parvane
