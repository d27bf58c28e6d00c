// The Single HTML generator: every contents topic in one page, with a numbered heading
// and an anchor per topic, and links between topics turned into links to the anchors.

#include "model/html_links.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/contents.h"
#include "output/parallel_pages.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace parvane {

namespace SF = StringFunc;

namespace {

// Topics and links meet on the file's name on disk: two pages whose names differ only in
// case are two topics, and a link written in another case still finds its page.
std::string PageKey(const std::string& path) {
    std::string onDisk = Paths::ResolveExisting(path);
    return onDisk.empty() ? path : onDisk;
}

} // namespace

std::string TContents::BuildSingleToc() const {
    std::string toc = "<div class=\"toc\"><a name=\"toc\">\r\n";
    for (std::size_t i = 0; i < Items.size(); ++i) {
        const TContentsItem& item = *Items[i];
        for (int l = 1; l < item.Level; ++l)
            toc += "&nbsp;&nbsp;&nbsp;&nbsp;";
        toc += ItemNumber(i);
        toc += " <a href=\"#A" + std::to_string(i) + "\">";
        toc += SF::HtmlEncode(item.Title);
        toc += "</a><BR>\r\n";
    }
    toc += "</div>";
    return toc;
}

namespace {

// An address split at its first "?" and "#".
struct TAddress {
    std::string_view Path;
    std::string_view Query; // with its "?"
    std::string_view Fragment;
    bool HasFragment = false;
};

TAddress SplitAddress(std::string_view value) {
    TAddress a;
    const std::size_t hash = value.find('#');
    const std::string_view beforeHash = value.substr(0, hash);
    if (hash != std::string_view::npos) {
        a.Fragment = value.substr(hash + 1);
        a.HasFragment = true;
    }
    const std::size_t question = beforeHash.find('?');
    a.Path = beforeHash.substr(0, question);
    if (question != std::string_view::npos)
        a.Query = beforeHash.substr(question);
    return a;
}

// An address that does not name a file relative to the page: a scheme ("http:",
// "mailto:", "javascript:"), a path from the server's root or a network path.
bool IsExternal(std::string_view path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == ':')
            return i > 0;
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return false;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The form in which a fragment and an id are compared: as the browser reads them.
std::string TargetKey(std::string_view raw) {
    return PercentDecode(DecodeBasicEntities(raw));
}

// Where the links of the topics lead once every topic lives in one page. Each topic's ids
// and anchor names get the topic's anchor as prefix ("A3_intro"), so pages that reuse an
// id keep their own; a link to a topic becomes its anchor, or its prefixed fragment when
// the topic has that id.
class TSinglePageLinks {
public:
    TSinglePageLinks(const std::vector<std::unique_ptr<TContentsItem>>& items,
                     const std::string& root)
        : root_(root), targets_(items.size()) {
        // The first topic with a page at each address (without regard to case) owns the
        // anchor; one hash lookup per link keeps the rewriting linear.
        anchorOf_.reserve(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i]->HasContent)
                anchorOf_.emplace(Key(SF::CollapseDotDot(Paths::UrlToPath(root, items[i]->Url))),
                                  i);
    }

    // The ids and anchor names of a topic's body, which links to it may name.
    static std::unordered_set<std::string> Targets(const std::string& body) {
        std::unordered_set<std::string> targets;
        RewriteHtmlRefs(body, [&](THtmlRefKind kind, std::string_view value, std::string&) {
            if (kind == THtmlRefKind::Id || kind == THtmlRefKind::Name)
                targets.insert(TargetKey(value));
            return false;
        });
        return targets;
    }
    // Every topic's targets must be set before any body is rewritten.
    void SetTargets(std::size_t topic, std::unordered_set<std::string>&& targets) {
        targets_[topic] = std::move(targets);
    }

    // A topic's body with its ids prefixed and every link made right for the single page.
    std::string RewriteBody(std::size_t topic, const std::string& pageFolder,
                            const std::string& body) const {
        return RewriteHtmlRefs(
            body, [&](THtmlRefKind kind, std::string_view value, std::string& replacement) {
                switch (kind) {
                case THtmlRefKind::Id:
                case THtmlRefKind::Name:
                case THtmlRefKind::IdRef:
                    if (value.empty())
                        return false;
                    replacement = Prefix(topic);
                    replacement += value;
                    return true;
                case THtmlRefKind::Link:
                case THtmlRefKind::CssUrl:
                    return RewriteAddress(topic, pageFolder, kind, value, replacement);
                }
                return false;
            });
    }

    // Text from a page's head: only its addresses move to the root's point of view.
    std::string Relocate(const std::string& pageFolder, std::string_view text) const {
        return RewriteHtmlRefs(
            text, [&](THtmlRefKind kind, std::string_view value, std::string& replacement) {
                if (kind != THtmlRefKind::Link && kind != THtmlRefKind::CssUrl)
                    return false;
                const std::string_view address = TrimBlanks(value);
                if (address.empty() || address[0] == '#')
                    return false;
                return RelocateAddress(pageFolder, SplitAddress(address), replacement);
            });
    }

private:
    static std::string Key(const std::string& path) { return PageKey(path); }
    static std::string Prefix(std::size_t topic) { return "A" + std::to_string(topic) + "_"; }

    // "#A<j>_fragment" when topic j has that target, else "#A<j>": the topic's start is
    // the nearest right place for a fragment the page does not hold ("#top").
    std::string TopicLink(std::size_t topic, const TAddress& address) const {
        if (address.HasFragment && !address.Fragment.empty() &&
            targets_[topic].count(TargetKey(address.Fragment)))
            return "#" + Prefix(topic) + std::string(address.Fragment);
        return "#A" + std::to_string(topic);
    }

    bool RewriteAddress(std::size_t topic, const std::string& pageFolder, THtmlRefKind kind,
                        std::string_view value, std::string& replacement) const {
        const std::string_view trimmed = TrimBlanks(value);
        if (trimmed.empty())
            return false;
        if (trimmed[0] == '#') {
            const TAddress self = SplitAddress(trimmed);
            if (self.Fragment.empty())
                return false;
            if (kind == THtmlRefKind::CssUrl && !targets_[topic].count(TargetKey(self.Fragment)))
                return false;
            replacement = TopicLink(topic, self);
            return true;
        }
        const TAddress address = SplitAddress(trimmed);
        if (address.Path.empty() || IsExternal(address.Path))
            return false;
        if (kind == THtmlRefKind::Link) {
            auto found =
                anchorOf_.find(Key(SF::CollapseDotDot(pageFolder + TargetKey(address.Path))));
            if (found == anchorOf_.end())
                found =
                    anchorOf_.find(Key(SF::CollapseDotDot(pageFolder + std::string(address.Path))));
            if (found != anchorOf_.end()) {
                // The query string goes with the page's name: it means nothing to an anchor.
                replacement = TopicLink(found->second, address);
                return true;
            }
        }
        return RelocateAddress(pageFolder, address, replacement);
    }

    // A file that is no topic keeps its place among the copied files; only the point of
    // view moves from the page's folder to the root, where the single page lives.
    bool RelocateAddress(const std::string& pageFolder, const TAddress& address,
                         std::string& replacement) const {
        if (address.Path.empty() || IsExternal(address.Path) || SF::SameText(pageFolder, root_))
            return false;
        const std::string target = SF::CollapseDotDot(pageFolder + std::string(address.Path));
        replacement = SF::ToForwardSlashes(Paths::RelativePath(target, root_));
        if (replacement.empty())
            replacement = "./";
        replacement += address.Query;
        if (address.HasFragment) {
            replacement += '#';
            replacement += address.Fragment;
        }
        return true;
    }

    std::string root_;
    std::unordered_map<std::string, std::size_t> anchorOf_;
    std::vector<std::unordered_set<std::string>> targets_; // ids and names of each topic
};

bool IsScriptElement(const std::string& element) {
    return element.size() > 7 && SF::AsciiLowerCase(element.substr(0, 7)) == "<script";
}

// Scripts and style sheets of all pages, each distinct one kept once, in the order they
// first appear. Two elements that differ only in which copy of the same file they load are
// one: sites often ship the same script in several folders (one per edition of a book),
// and in one page each copy would run again over the whole document.
class TPageResources {
public:
    explicit TPageResources(const std::string& root) : root_(root), files_(root) {}

    void AddFromHead(std::vector<std::string>& elements) {
        for (std::string& element : elements)
            if (seen_.insert(Identity(element)).second)
                head_ += element + "\r\n";
        elements.clear();
    }
    // Style sheets go to the head; scripts of a body run after the content, as they did at
    // their place in their own page, not before it exists.
    void AddFromBody(std::vector<std::string>& elements) {
        for (std::string& element : elements) {
            if (!seen_.insert(Identity(element)).second)
                continue;
            (IsScriptElement(element) ? tail_ : head_) += element + "\r\n";
        }
        elements.clear();
    }
    std::string& Head() { return head_; }
    const std::string& Tail() const { return tail_; }

private:
    // The element with each local address it loads replaced by what the file holds (its
    // size and a hash of its bytes); an address that reads no file stays as written.
    std::string Identity(const std::string& element) {
        return RewriteHtmlRefs(
            element, [&](THtmlRefKind kind, std::string_view value, std::string& replacement) {
                if (kind != THtmlRefKind::Link)
                    return false;
                const TAddress address = SplitAddress(TrimBlanks(value));
                if (address.Path.empty() || IsExternal(address.Path))
                    return false;
                const std::string& content = ContentKey(
                    SF::CollapseDotDot(root_ + PercentDecode(DecodeBasicEntities(address.Path))));
                if (content.empty())
                    return false;
                replacement = content;
                replacement += address.Query;
                return true;
            });
    }

    const std::string& ContentKey(const std::string& path) {
        auto [it, added] = contentKeys_.try_emplace(path);
        if (!added)
            return it->second;
        // Only a file inside the root is read, as for every other use of a page's links.
        const TResolvedTarget file = files_.Resolve(path);
        if (!file.Found() || !file.InsideRoot)
            return it->second;
        std::string bytes;
        try {
            bytes = TextCodec::ReadFileBytes(file.Path);
        } catch (const std::exception&) {
            return it->second;
        }
        // FNV-1a over the bytes; with the size it tells files apart well beyond any site.
        std::uint64_t hash = 1469598103934665603ull;
        for (const unsigned char c : bytes)
            hash = (hash ^ c) * 1099511628211ull;
        it->second = "\x01file:" + std::to_string(bytes.size()) + ":" + std::to_string(hash);
        return it->second;
    }

    std::string root_;
    TProjectRoot files_;
    std::unordered_map<std::string, std::string> contentKeys_;
    std::unordered_set<std::string> seen_;
    std::string head_;
    std::string tail_;
};

} // namespace

std::string TContents::BuildSinglePages() const {
    std::string head;
    return BuildSinglePages(head);
}

std::string TContents::BuildSinglePages(std::string& headResources) const {
    std::string text;
    for (const std::string& part : SinglePagesParts(headResources))
        text += part;
    return text;
}

std::vector<std::string> TContents::SinglePagesParts(std::string& headResources) const {
    const std::string root = Paths::IncludeTrailingSlash(Project.RootFolder());
    const bool hasToc = Project.ProjectSettings.SingleHtmlHasToc;
    const std::string charset = SF::Trim(Project.ProjectSettings.Encoding);
    TSinglePageLinks links(Items, root);

    // First every topic's ids, which links from any topic may name; then each topic is
    // rewritten. Both passes run on all cores and hand their results back in topic order,
    // so the page does not depend on the threads.
    ForEachPageInOrder<std::unordered_set<std::string>>(
        Items.size(), Threads,
        [&](std::size_t i) {
            return Items[i]->HasContent ? TSinglePageLinks::Targets(ItemBody(*Items[i]))
                                        : std::unordered_set<std::string>();
        },
        [&](std::size_t i, std::unordered_set<std::string>&& targets) {
            links.SetTargets(i, std::move(targets));
        });

    struct TPart {
        std::string Text;
        std::vector<std::string> HeadElements;
        std::vector<std::string> BodyElements;
    };
    auto part = [&](std::size_t i) {
        TPart part;
        const TContentsItem& item = *Items[i];
        const std::string level = std::to_string(item.Level);
        std::string& text = part.Text;
        text = "<a name=\"A" + std::to_string(i) + "\">";
        text += "<h" + level + ">" + ItemNumber(i) + " " + SF::HtmlEncode(item.Title) + "</h" +
                level + ">\r\n";
        if (!item.HasContent)
            return part;
        const std::string pageFolder = Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url));
        // The page is read once for its head and, unless the bodies are kept, its body.
        std::string page;
        bool read = false;
        try {
            page = SF::LoadTextFile(item.File, charset);
            read = true;
        } catch (const std::exception&) {
            // Read a moment ago; a page that cannot be read now adds nothing.
        }
        if (read)
            ExtractResourceElements(links.Relocate(pageFolder, PageHead(page)), part.HeadElements);
        const std::string body = KeepBodies ? item.Body : read ? PageBody(page) : std::string();
        text += ExtractResourceElements(links.RewriteBody(i, pageFolder, body), part.BodyElements);
        text += "\r\n";
        if (hasToc)
            text += "<p align=\"right\" class=\"back\">[<a href=\"#toc\">TOP</a>]</p>\r\n";
        return part;
    };
    TPageResources resources(root);
    std::vector<std::string> parts;
    parts.reserve(Items.size() + 1);
    ForEachPageInOrder<TPart>(Items.size(), Threads, part, [&](std::size_t i, TPart&& part) {
        if (Items[i]->HasContent)
            Info(Items[i]->Url);
        resources.AddFromHead(part.HeadElements);
        resources.AddFromBody(part.BodyElements);
        parts.push_back(std::move(part.Text));
    });
    Info("Changing hyperlinks...");
    parts.push_back(resources.Tail());
    headResources = std::move(resources.Head());
    return parts;
}

} // namespace parvane
