// The Web Help generator: topic pages with their synchronisation script, the navigation
// images, the navigation tree and the keyword index. The frame pages and the script they
// call (support/webhelp/) define SetEnv, NodeClick, LinkClick, LinkDblClick, selectNode,
// writepage and read divlist; the markup here is what drives them.

#include "output/web_help.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "model/text_writer.h"
#include "output/contents.h"
#include "output/keyword_index.h"
#include "output/search_index.h"

#include "output/ordered_work.h"
#include "output/real_names.h"
#include "templates/template_apply.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

namespace {

const char* const kCrLf = "\r\n";

} // namespace

// ---- images ---------------------------------------------------------------------------

TWebNodeImages WebNodeImages(int n, bool isFolder, bool realColorIcon) {
    auto gif = [](int k) { return std::to_string(k) + ".gif"; };
    if (realColorIcon)
        return isFolder ? TWebNodeImages{"1.gif", "2.gif"} : TWebNodeImages{"11.gif", "11.gif"};
    if (isFolder) {
        if (n >= 1 && n <= 8) {
            const int closed = (n % 2 == 1) ? n : n - 1;
            return {gif(closed), gif(closed + 1)};
        }
        if (n > 8)
            return {gif(n), gif(n)};
        return n == 0 ? TWebNodeImages{"1.gif", "2.gif"} : TWebNodeImages{"5.gif", "6.gif"};
    }
    if (n > 0)
        return {gif(n), gif(n)};
    return n == 0 ? TWebNodeImages{"9.gif", "9.gif"} : TWebNodeImages{"11.gif", "11.gif"};
}

int WebTreePosition(int index, bool isLast) {
    if (index == 0)
        return isLast ? 3 : 0;
    return isLast ? 2 : 1;
}

std::string WebTreeLineImage(TWebLineKind kind, int position, bool drawLines) {
    static const char* const leaf[] = {"downangle.gif", "tshaped.gif", "upangle.gif", "sline.gif"};
    static const char* const closed[] = {"daplus.gif", "tplus.gif", "uaplus.gif", "splus.gif"};
    static const char* const open[] = {"daminus.gif", "tminus.gif", "uaminus.gif", "sminus.gif"};
    if (position < 0 || position > 3)
        position = 1;
    switch (kind) {
    case TWebLineKind::Leaf:
        return drawLines ? leaf[position] : "blank.gif";
    case TWebLineKind::ClosedFolder:
        return drawLines ? closed[position] : "plus.gif";
    case TWebLineKind::OpenFolder:
        return drawLines ? open[position] : "minus.gif";
    }
    return "blank.gif";
}

std::string WebIndentImage(bool more, bool drawLines) {
    return (more && drawLines) ? "line.gif" : "blank.gif";
}

// ---- synchronisation script -------------------------------------------------------------

namespace {

// From the folder of a page at `address` inside "scr" up to the output folder.
std::string UpToOutput(const std::string& address) {
    std::string up = "../";
    for (char c : address)
        if (c == '/')
            up += "../";
    return up;
}

} // namespace

std::string WebSyncScript(int index, const std::string& url) {
    const std::string address = SF::ToForwardSlashes(url);
    const std::string up = UpToOutput(address);
    // The link lands in a JavaScript string that document.write turns into an attribute.
    std::string link = SF::HtmlEncode(up + "index.htm#page=scr/" + address);
    link = SF::ReplaceAll(SF::ReplaceAll(link, "\\", "\\\\"), "'", "\\'");
    const std::string i = std::to_string(index);

    std::string s;
    s.reserve(700 + link.size());
    s += "<script language=\"JavaScript\" type=\"text/JavaScript\">\r\n";
    s += "function syn(){\r\n";
    // The tree frame cannot be reached when the browser keeps frames apart (pages opened
    // from disk): the frameset then passes the request on as a message.
    s += " try{\r\n";
    s += " if(parent.nav.loaded){\r\n";
    s += "  parent.nav.selectNode(" + i + ");\r\n";
    s += " }else{\r\n";
    s += "  setTimeout(\"syn()\",500);\r\n";
    s += " }\r\n";
    s += " }catch(e){\r\n";
    s += "  parent.postMessage({parvaneSync:" + i + "},\"*\");\r\n";
    s += "}}\r\n";
    s += "if(parent!=self){\r\n";
    s += "  setTimeout(\"syn()\",100);\r\n";
    s += "}else{\r\n";
    // Raised above everything of the page, so a fixed header cannot cover the link.
    s += "  document.write('<BR><table width=\"35%\" border=\"0\" align=\"center\" "
         "cellpadding=\"5\" cellspacing=\"1\" bgcolor=\"#666666\" "
         "style=\"position:relative;z-index:2147483647\"><tr><td align=\"center\" "
         "bgcolor=\"#FFFFFF\">');\r\n";
    s += "  document.write('<a href=\"" + link + "\">Show Navigation Frame</a>'); \r\n";
    s += "  document.write('</td></tr></table><BR>');\r\n";
    s += "}\r\n";
    s += "</script> \r\n";
    return s;
}

std::string WebMarkScript(const std::string& url) {
    const std::string src = UpToOutput(SF::ToForwardSlashes(url)) + "webhelpmark.js";
    return "<script src=\"" + SF::HtmlEncode(src) + "\" async></script>";
}

std::string InsertMarkScript(const std::string& page, const std::string& url) {
    const std::size_t close = SF::RFindAsciiNoCase(page, "</body");
    if (close == std::string::npos)
        return page + WebMarkScript(url);
    return page.substr(0, close) + WebMarkScript(url) + page.substr(close);
}

// ---- page step ----------------------------------------------------------------------------

namespace {

// A page keeps the charset it declares; one that declares none is written in the
// project's encoding.
std::string CharsetForPage(const std::string& text, const TPvx& project) {
    const std::string declared = TextCodec::DeclaredCharset(text);
    return declared.empty() ? SF::Trim(project.ProjectSettings.Encoding) : declared;
}

// The place of a page inside "scr" for its address (relative, "/" separators), or ""
// when the address would lead outside it: absolute, or climbing out with "..".
// An address of plain names ("a/b.htm": no "." or ".." part, no empty part) needs no
// normalising: it lands below the folder as it is written.
bool IsPlainAddress(std::string_view address) {
    if (address.empty() || address.front() == '/' || address.back() == '/')
        return false;
    std::size_t start = 0;
    while (start <= address.size()) {
        std::size_t end = address.find('/', start);
        if (end == std::string_view::npos)
            end = address.size();
        const std::string_view part = address.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// The same for "scr" already normalised (as the page plan passes it, once for all pages).
std::string PageDestinationIn(const std::string& scr, const std::string& address) {
    if (address.empty() || Paths::IsAbsolute(address))
        return {};
    if (!scr.empty() && scr.back() == '/' && IsPlainAddress(address))
        return scr + address;
    const std::string dest = fs::path(scr + address).lexically_normal().string();
    if (dest.size() <= scr.size() || dest.compare(0, scr.size(), scr) != 0)
        return {};
    return dest;
}

std::string PageDestination(const std::string& scrFolder, const std::string& address) {
    return PageDestinationIn(fs::path(scrFolder).lexically_normal().string(), address);
}

// Creates the folders the planned pages go into, each once (not once per page).
void MakePageFolders(const std::vector<std::string>& dests) {
    std::unordered_set<std::string> made;
    for (const std::string& dest : dests) {
        if (dest.empty())
            continue;
        const std::string folder = Paths::ExtractFilePath(dest);
        if (made.insert(folder).second) {
            std::error_code ec;
            fs::create_directories(folder, ec);
        }
    }
}

} // namespace

std::string WebAddress(const TContents& contents, const TContentsItem& item) {
    const std::string url = SF::ToForwardSlashes(item.Url);
    if (!item.HasContent)
        return url;
    // The copy in "scr" has the letter case of the file on disk, which may differ from the
    // address a project made on a case-blind system holds.
    const std::string root = Paths::IncludeTrailingSlash(contents.Project.RootFolder());
    const std::string file = Paths::ResolveExisting(Paths::UrlToPath(root, item.Url));
    if (file.empty() || !Paths::IsBelow(file, root))
        return url;
    return SF::ToForwardSlashes(file.substr(root.size()));
}

const std::string& TContents::CachedWebAddress(const TContentsItem& item) const {
    // Once every address is in (CacheWebAddresses), threads only read here.
    if (const auto found = webAddresses_.find(&item);
        found != webAddresses_.end() && found->second.first == item.Url)
        return found->second.second;
    auto [it, added] = webAddresses_.try_emplace(&item);
    if (added || it->second.first != item.Url)
        it->second = {item.Url, WebAddress(*this, item)};
    return it->second.second;
}

void TContents::CacheWebAddresses() const {
    for (const auto& item : Items)
        if (!item->Url.empty())
            CachedWebAddress(*item);
}

namespace {

// Where the page step writes each contents item (Dest "" for none), from what is on disk.
// Items that write the same file leave it to the last of them, whose page a sequential
// build would leave behind, so writing them in parallel never races.
std::vector<TWebPagePlan> PlanWebPages(const TContents& contents, const std::string& scr,
                                       bool withTemplate) {
    const std::string root = Paths::IncludeTrailingSlash(contents.Project.RootFolder());
    std::vector<TWebPagePlan> plan(contents.Items.size());
    std::unordered_map<std::string, std::size_t> lastWriter;
    const std::string normalScr = fs::path(scr).lexically_normal().string();
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (!item.HasContent || (withTemplate && item.ApplyTemp))
            continue;
        TWebPagePlan& p = plan[i];
        p.Address = contents.CachedWebAddress(item);
        p.Dest = PageDestinationIn(normalScr, p.Address);
        if (p.Dest.empty())
            continue;
        p.Source = Paths::ResolveExisting(root + p.Address);
        if (!withTemplate && p.Source.empty()) {
            p.Dest.clear();
            continue;
        }
        auto [it, added] = lastWriter.try_emplace(p.Dest, i);
        if (!added) {
            plan[it->second].Dest.clear();
            it->second = i;
        }
    }
    return plan;
}

} // namespace

std::vector<std::string> WebPagesWrittenOver(const TContents& contents,
                                             const std::string& outputFolder, bool withTemplate) {
    const std::string scr = Paths::IncludeTrailingSlash(outputFolder) + "scr/";
    std::vector<std::string> files;
    for (const TWebPagePlan& p : contents.WebPagePlan(scr, withTemplate))
        if (!p.Dest.empty() && !p.Source.empty())
            files.push_back(p.Source);
    return files;
}

const std::vector<TWebPagePlan>& TContents::WebPagePlan(const std::string& scr,
                                                        bool withTemplate) const {
    std::string key = scr;
    key += withTemplate ? '\1' : '\0';
    if (webPlanFor_ != key) {
        webPlan_ = PlanWebPages(*this, scr, withTemplate);
        webPlanFor_ = std::move(key);
    }
    return webPlan_;
}

namespace {

// The text of a page from the bytes the file collection kept for it, as LoadTextFile would
// give it; nothing when they were not kept (or were taken already).
std::optional<std::string> KeptText(TKeptFiles& kept, const std::string& path,
                                    const std::string& charset) {
    if (const std::optional<std::string> bytes = kept.Take(path))
        return SF::TextOfBytes(*bytes, charset);
    return std::nullopt;
}

// What a page's worker hands back to the build's thread: the page's words for the search.
struct TMadePage {
    std::optional<TSearchData::TPage> Search;
};

// Writes a page, with the names on disk for links that reach their file only in another
// letter case. The copies were left out for the pages written here, so a page usually
// lands in a place that is free: it is written there directly, without a temporary file
// and a rename.
void WritePage(std::string&& page, const std::string& dest, const std::string& charset,
               TRealNamesPool* realNames, const std::string& linkFolder,
               const std::string* onlyNames = nullptr) {
    if (realNames)
        realNames->Borrow()->Rewrite(page, linkFolder, onlyNames);
    SaveNewTextFile(page, dest, charset);
}

} // namespace

void TContents::WriteWebPages(const std::string& outputFolder, const std::string& templateFile,
                              const std::string& scrollStyle, TRealNamesPool* realNames,
                              TSearchData* search) {
    const std::string scr = Paths::IncludeTrailingSlash(outputFolder) + "scr/";
    const std::string root = Paths::IncludeTrailingSlash(Project.RootFolder());
    const std::string projectCharset = SF::Trim(Project.ProjectSettings.Encoding);
    const bool withTemplate = !SF::Trim(templateFile).empty();
    const std::vector<TWebPagePlan>& plan = WebPagePlan(scr, withTemplate);
    const bool markScript = Project.ProjectSettings.WebHelpSearch;
    TRealNamesPool* renaming = LinksNeedRealNames ? realNames : nullptr;
    // The search takes each page once, under its first topic.
    const std::vector<std::string> searched =
        search ? SearchAddresses(*this) : std::vector<std::string>();
    // The words are counted on the page's thread, from its reading text.
    auto searchPage = [&](std::size_t i,
                          const std::string* body) -> std::optional<TSearchData::TPage> {
        if (!search || searched[i].empty())
            return std::nullopt;
        const TContentsItem& item = *Items[i];
        return TSearchData::Page(item.Title, "scr/" + searched[i], item.Position,
                                 PageText(body ? *body : ItemBody(item)));
    };
    // On the build's thread, in topic order.
    auto finish = [&](std::size_t, TMadePage&& made) {
        if (made.Search)
            search->Add(std::move(*made.Search));
    };
    auto linkFolder = [&](const std::string& address) {
        return Paths::ExtractFilePath(root + address);
    };

    std::vector<std::string> dests;
    dests.reserve(plan.size());
    for (const TWebPagePlan& p : plan)
        dests.push_back(p.Dest);
    MakePageFolders(dests);

    if (withTemplate) {
        const TTemplate tpl(templateFile);
        const std::string tplCharset = CharsetForPage(tpl.RebasedFor(root), Project);
        // The template is rebased within the project's folders: the copies keep the same
        // relative places, so the links come out the same.
        auto templated = [&](const std::string& address, const std::string& title,
                             const std::string& content) {
            return ApplyTemplate(tpl.RebasedFor(linkFolder(address)), title, content);
        };
        ForEachInOrderHelping<TMadePage>(
            Items.size(), Threads,
            [&](std::size_t i) {
                TMadePage made;
                const TWebPagePlan& p = plan[i];
                if (p.Dest.empty()) {
                    made.Search = searchPage(i, nullptr);
                    return made;
                }
                const TContentsItem& item = *Items[i];
                const std::optional<std::string> kept =
                    item.HasContent ? KeptText(KeptPages, item.File, projectCharset)
                                    : std::nullopt;
                const std::string body = kept ? PageBody(*kept) : ItemBody(item);
                std::string content = WebSyncScript(item.Position, p.Address) + body;
                if (markScript)
                    content += WebMarkScript(p.Address);
                const std::string page = templated(p.Address, item.Title, content);
                WritePage(InsertScrollStyle(page, scrollStyle), p.Dest, tplCharset, renaming,
                          linkFolder(p.Address));
                made.Search = searchPage(i, &body);
                return made;
            },
            finish);
        TTopicNode* others = Project.NonContentsRoot();
        for (TTopicNode* node = others ? others->FirstChild() : nullptr;
             node && node->HasAsParent(others); node = node->GetNext()) {
            const TLeftTreeData& data = node->Data();
            if (data.Status != tsLinked || data.ApplyTemp)
                continue;
            const std::string wanted = PageDestination(scr, SF::ToForwardSlashes(data.Url));
            const std::string dest = wanted.empty() ? wanted : Paths::ResolveExisting(wanted);
            if (dest.empty() || !Paths::FileExists(dest))
                continue;
            const std::string address =
                dest.substr(fs::path(scr).lexically_normal().string().size());
            const std::string body = PageBody(SF::LoadTextFile(dest, projectCharset));
            std::string page = templated(address, node->Text(), body);
            if (renaming)
                renaming->Borrow()->Rewrite(page, linkFolder(address));
            SaveNewTextFile(page, dest, tplCharset);
        }
        return;
    }

    ForEachInOrderHelping<TMadePage>(
        Items.size(), Threads,
        [&](std::size_t i) {
            TMadePage made;
            const TWebPagePlan& p = plan[i];
            if (p.Dest.empty()) {
                made.Search = searchPage(i, nullptr);
                return made;
            }
            std::optional<std::string> kept = KeptText(KeptPages, p.Source, projectCharset);
            const std::string html =
                kept ? std::move(*kept) : SF::LoadTextFile(p.Source, projectCharset);
            // A page without an opening body tag comes out empty.
            std::string page =
                SF::InsertAfterBodyTag(html, WebSyncScript(Items[i]->Position, p.Address));
            if (markScript && !page.empty())
                page = InsertMarkScript(page, p.Address);
            // The scripts added here link only outside the root: the page's own links are
            // the ones the file collection looked up.
            const std::string folder = linkFolder(p.Address);
            WritePage(std::move(page), p.Dest, CharsetForPage(html, Project), renaming, folder,
                      renaming ? ScannedNames(p.Source, folder, projectCharset) : nullptr);
            // The same reading of the same file as ItemBody, when it is the item's own page.
            if (p.Source == Items[i]->File) {
                const std::string body = PageBody(html);
                made.Search = searchPage(i, &body);
            } else {
                made.Search = searchPage(i, nullptr);
            }
            return made;
        },
        finish);
}

// ---- image step ---------------------------------------------------------------------------

namespace {

void CopyFileQuietly(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::is_regular_file(from, ec))
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

void CopyFolderFiles(const std::string& from, const std::string& to) {
    std::error_code ec;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            CopyFileQuietly(it->path().string(), to + it->path().filename().string());
}

} // namespace

void TContents::CopyWebImages(const std::string& outputFolder) const {
    const std::string icons = Paths::IncludeTrailingSlash(outputFolder) + "icons/";
    const std::string source = ProgramFolder + "webhelp/";
    std::error_code ec;
    fs::create_directories(icons, ec);
    CopyFolderFiles(source + "imgs/", icons);
    if (Project.ProjectSettings.RealColorIcon) {
        CopyFolderFiles(source + "ricons/", icons);
        return;
    }
    // Each image once, however many nodes show it. Besides the pair partners, the images a
    // node falls back to (an automatic or unknown image number) are copied too.
    std::set<std::string> wanted;
    for (const auto& item : Items) {
        const int n = item->ImageNumber;
        if (n >= 1 && n <= 8)
            wanted.insert(std::to_string(n % 2 == 1 ? n + 1 : n - 1) + ".gif");
        wanted.insert(std::to_string(n) + ".gif");
        const TWebNodeImages images = WebNodeImages(n, item->HasChildren, false);
        wanted.insert(images.Closed);
        wanted.insert(images.Open);
    }
    for (const std::string& name : wanted)
        CopyFileQuietly(source + "icons/" + name, icons + name);
}

// ---- navigation tree ----------------------------------------------------------------------

std::string TContents::BuildNavigation() const {
    const TProjectSettings& s = Project.ProjectSettings;
    const bool lines = s.DrawLines;
    const bool realColor = s.RealColorIcon;
    const int startLevel = s.StartFromRoot ? 1 : 2;

    std::string out;
    out.reserve(Items.size() * 420 + 128);
    out += "<script>SetEnv(";
    out += lines ? "0" : "1";
    out += ",";
    out += s.AutoCollapse ? "true" : "false";
    out += ")</script>";

    int prev = Items.empty() ? 1 : Items.front()->Level;
    std::vector<bool> more;
    std::string divList;
    for (std::size_t k = 0; k < Items.size(); ++k) {
        const TContentsItem& item = *Items[k];
        const int level = item.Level;
        const std::string i = std::to_string(k);
        const int position = WebTreePosition(static_cast<int>(k), item.IsLast);
        const bool folder = item.HasChildren;
        if (level >= static_cast<int>(more.size()))
            more.resize(static_cast<std::size_t>(level) + 1, false);
        if (level >= 0)
            more[static_cast<std::size_t>(level)] = !item.IsLast;

        std::string expander;
        if (s.StartFromRoot || level > 1) {
            if (folder)
                expander = "<a href=\"#\" onClick=\"return NodeClick('" + i +
                           "')\"><img id=\"imgn" + i + "\" src=\"icons/" +
                           WebTreeLineImage(TWebLineKind::ClosedFolder, position, lines) +
                           "\" class=\"p\"></a>";
            else
                expander = "<img src=\"icons/" +
                           WebTreeLineImage(TWebLineKind::Leaf, position, lines) +
                           "\" class=\"p\">";
        }

        // A topic without a page links nowhere; an external address is linked as it is.
        std::string href;
        if (item.Status != tsLinked || item.Url.empty())
            href = "#";
        else if (!item.HasContent && item.Url.find(':') != std::string::npos)
            href = SF::HtmlEncode(SF::ToForwardSlashes(item.Url));
        else
            href = SF::HtmlEncode("scr/" + CachedWebAddress(item));
        const bool hasPage = href != "#";

        const std::string title = SF::HtmlEncode(item.Title);
        const std::string scriptTitle = SF::JsAttrEscape(item.Title);
        const TWebNodeImages images = WebNodeImages(item.ImageNumber, folder, realColor);
        std::string label;
        if (folder)
            label = "<a href=\"" + href + "\" onclick=\"return LinkClick('" + i + "',true," +
                    (hasPage ? "true" : "false") + ")\" onDblClick=\"return LinkDblClick('" + i +
                    "')\" target=\"content\" title=\"" + title +
                    "\" onmousemove=\"window.status='" + scriptTitle + "'\"><img id=\"img" + i +
                    "\" src=\"icons/" + images.Closed + "\" class=\"p\"> <span id=\"l" + i +
                    "\" class=\"unselected\">" + title + "</span></a>";
        else
            label = "<a href=\"" + href + "\" onclick=\"return LinkClick('" + i + "',false," +
                    (hasPage ? "true" : "false") + ")\" target=\"content\" title=\" " + title +
                    "\" onmousemove=\"window.status='" + scriptTitle + "'\"><img src=\"icons/" +
                    images.Closed + "\" class=\"p\"> <span id=\"l" + i +
                    "\" class=\"unselected\">" + title + "</span></a>";

        for (int d = level; d < prev; ++d)
            out += "</div>";
        for (int d = prev; d < level; ++d) {
            out += "<div id=\"d" + std::to_string(k - 1) + "\" style=\"display:none\">";
            if (!divList.empty())
                divList += ",";
            divList += std::to_string(k - 1);
        }

        out += "<div><nobr>";
        for (int m = startLevel; m <= level - 1; ++m) {
            const bool moreAtM =
                m >= 0 && m < static_cast<int>(more.size()) && more[static_cast<std::size_t>(m)];
            out += "<img src=\"icons/" + WebIndentImage(moreAtM, lines) + "\" class=\"p\">";
        }
        out += expander;
        out += label;
        out += "</nobr></div>";
        out += kCrLf;
        prev = level;
    }
    for (int d = 1; d < prev; ++d)
        out += "</div>";
    out += "<script>divlist = [" + divList + "]</script>";
    return out;
}

// ---- keyword index --------------------------------------------------------------------------

namespace {

// Closes the levels of `from` that `to` does not share and opens the levels of `to` that
// are new. When `from` is a whole leading part of `to`, the new levels nest inside the
// entry of `from`.
void AppendIndexTransition(std::string& out, const std::vector<std::string>& from,
                           const std::vector<std::string>& to) {
    const TKeywordTransition t = KeywordTransition(from, to);
    for (std::size_t j = 0; j < t.Close; ++j)
        out += "</UL>\r\n";
    if (t.NestInPrevious)
        out += "<UL>\r\n";
    for (std::size_t j = t.FirstParent; j < t.ParentEnd; ++j) {
        out += "<LI>" + SF::HtmlEncode(to[j]) + "</LI>\r\n";
        out += "<UL>\r\n";
    }
}

std::string LastPart(const std::vector<std::string>& parts) {
    return parts.empty() ? std::string() : parts.back();
}

} // namespace

std::string TContents::BuildIndexList() const {
    const std::vector<TKeywordPair> pairs = KeywordPairs();
    auto addressOf = [&](const TContentsItem& item) -> const std::string& {
        return CachedWebAddress(item);
    };
    std::string out = "<UL>";
    std::string prev;
    std::vector<std::string> prevParts;
    bool first = true;
    for (const TKeywordPair& pair : pairs) {
        const bool newKey = first || pair.Keyword != prev;
        const std::vector<std::string> parts = newKey ? SplitKeywordParts(pair.Keyword) : prevParts;
        if (!first && newKey)
            out += "]);\">" + SF::HtmlEncode(LastPart(prevParts)) + "</a></li>";
        if (newKey) {
            AppendIndexTransition(out, prevParts, parts);
            out += "<LI><a href=\"#\" target=\"content\" onclick=\"return writepage([";
        } else {
            out += ",";
        }
        out += "['" + SF::JsAttrEscape(pair.Item->Title) + "','" +
               SF::JsAttrEscape("scr/" + addressOf(*pair.Item)) + "']";
        prev = pair.Keyword;
        prevParts = parts;
        first = false;
    }
    if (!first)
        out += "]);\">" + SF::HtmlEncode(LastPart(prevParts)) + "</a></li>";
    AppendIndexTransition(out, prevParts, {});
    out += "</UL>";
    return out;
}

} // namespace parvane
