// The Single HTML generator: every contents topic in one page, with a numbered heading
// and an anchor per topic, and links between topics turned into links to the anchors.

#include "model/errors.h"
#include "model/html_links.h"
#include "model/packed_strings.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/string_index.h"
#include "model/text_file.h"
#include "output/contents.h"
#include "output/ordered_work.h"
#include "output/single_pages.h"

#include <cstdint>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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

// How a value put off during the first step stands in the stored text: 0xFF, the value's
// rule, its quote ('d', 's' or 'n'), its length in decimal, ':' and the value as written.
// Page text is valid UTF-8 once read, so 0xFF never occurs in it; one that a replacement
// brings in (a folder's name on disk) is stored as 0xFF 'X'.
constexpr char kMarker = '\xFF';
constexpr char kLiteralMarker = 'X';

void WriteMarker(std::string& out, const THtmlDeferredValue& value) {
    out += kMarker;
    out += static_cast<char>(value.Rule);
    out += value.Quote == '"' ? 'd' : value.Quote == '\'' ? 's' : 'n';
    out += std::to_string(value.Value.size());
    out += ':';
    out += value.Value;
}

void EscapeMarkers(std::string& text) {
    std::size_t at = text.find(kMarker);
    while (at != std::string::npos) {
        text.insert(at + 1, 1, kLiteralMarker);
        at = text.find(kMarker, at + 2);
    }
}

} // namespace

// Where the links of the topics lead once every topic lives in one page. Each topic's ids
// and anchor names get the topic's anchor as prefix ("A3_intro"), so pages that reuse an
// id keep their own; a link to a topic becomes its anchor, or its prefixed fragment when
// the topic has that id.
class TSinglePageLinks {
public:
    TSinglePageLinks(const std::vector<std::unique_ptr<TContentsItem>>& items,
                     const std::string& root)
        : root_(root),
          rootIsPlain_(Paths::IsAbsolute(root) && SF::CollapseDotDot(root) == root &&
                       root.find('\\') == std::string::npos),
          targets_(items.size()) {
        // The first topic with a page at each address (without regard to case) owns the
        // anchor; one hash lookup per link keeps the rewriting linear.
        anchorOf_.Reserve(items.size());
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i]->HasContent)
                anchorOf_.Insert(Key(SF::CollapseDotDot(Paths::UrlToPath(root, items[i]->Url))), i);
    }

    // The ids and anchor names of a topic's body, which links to it may name, as the
    // browser reads them (entities decoded). Every topic's targets are set before any
    // put-off value is settled.
    void SetTargets(std::size_t topic, std::vector<std::string>&& targets) {
        std::sort(targets.begin(), targets.end());
        targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
        targets.shrink_to_fit();
        targets_[topic] = std::move(targets);
    }

    // A topic's body with its ids prefixed and every link made right for the single page,
    // the values that need other topics' ids put off (see WriteMarker). The body's ids
    // and anchor names go to targets.
    std::string RewriteBody(std::size_t topic, const std::string& pageFolder,
                            const std::string& body, std::vector<std::string>& targets) const {
        bool pending = false;
        THtmlRefDeferral deferral;
        deferral.Pending = [&pending] { return std::exchange(pending, false); };
        deferral.Write = WriteMarker;
        return RewriteHtmlRefs(
            body,
            [&](THtmlRefKind kind, std::string_view value, std::string& replacement) {
                if (kind == THtmlRefKind::Id || kind == THtmlRefKind::Name)
                    targets.push_back(DecodeBasicEntities(value));
                if (!Visit(topic, pageFolder, kind, value, replacement, &pending))
                    return false;
                EscapeMarkers(replacement);
                return true;
            },
            deferral);
    }

    // Appends the stored text of a topic with its put-off values settled: the bytes the
    // rewriting would have given had every topic's ids been known from the start.
    void Settle(std::size_t topic, const std::string& pageFolder, std::string_view text,
                std::string& out) const {
        const THtmlRefVisitor visit = [&](THtmlRefKind kind, std::string_view value,
                                          std::string& replacement) {
            return Visit(topic, pageFolder, kind, value, replacement, nullptr);
        };
        std::size_t pos = 0;
        for (std::size_t at = text.find(kMarker); at != std::string_view::npos;
             at = text.find(kMarker, pos)) {
            out.append(text.substr(pos, at - pos));
            if (at + 1 < text.size() && text[at + 1] == kLiteralMarker) {
                out += kMarker;
                pos = at + 2;
                continue;
            }
            THtmlDeferredValue value;
            value.Rule = static_cast<THtmlValueRule>(text[at + 1]);
            const char quote = text[at + 2];
            value.Quote = quote == 'd' ? '"' : quote == 's' ? '\'' : 0;
            const std::size_t colon = text.find(':', at + 3);
            const std::size_t length = std::stoul(std::string(text.substr(at + 3, colon - at - 3)));
            value.Value = text.substr(colon + 1, length);
            RewriteDeferredValue(value, visit, out);
            pos = colon + 1 + length;
        }
        out.append(text.substr(pos));
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

    // Whether the topic has the fragment as a browser looks for it: spelled as written
    // first, then with its percent escapes decoded (ids may hold escapes themselves).
    bool HasTarget(std::size_t topic, std::string_view fragment) const {
        const std::vector<std::string>& targets = targets_[topic];
        const std::string written = DecodeBasicEntities(fragment);
        if (std::binary_search(targets.begin(), targets.end(), written))
            return true;
        return written.find('%') != std::string::npos &&
               std::binary_search(targets.begin(), targets.end(), PercentDecode(written));
    }

    // One reference of a topic's body made right for the single page. With pending set,
    // the other topics' ids are not known yet: a reference that needs them sets *pending
    // instead of being answered.
    bool Visit(std::size_t topic, const std::string& pageFolder, THtmlRefKind kind,
               std::string_view value, std::string& replacement, bool* pending) const {
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
            return RewriteAddress(topic, pageFolder, kind, value, replacement, pending);
        }
        return false;
    }

    // "#A<j>_fragment" when topic j has that target, else "#A<j>": the topic's start is
    // the nearest right place for a fragment the page does not hold ("#top").
    std::string TopicLink(std::size_t topic, const TAddress& address) const {
        if (address.HasFragment && !address.Fragment.empty() &&
            HasTarget(topic, address.Fragment))
            return "#" + Prefix(topic) + std::string(address.Fragment);
        return "#A" + std::to_string(topic);
    }

    bool RewriteAddress(std::size_t topic, const std::string& pageFolder, THtmlRefKind kind,
                        std::string_view value, std::string& replacement, bool* pending) const {
        const std::string_view trimmed = TrimBlanks(value);
        if (trimmed.empty())
            return false;
        if (trimmed[0] == '#') {
            const TAddress self = SplitAddress(trimmed);
            if (self.Fragment.empty())
                return false;
            if (pending) {
                *pending = true;
                return false;
            }
            if (kind == THtmlRefKind::CssUrl && !HasTarget(topic, self.Fragment))
                return false;
            replacement = TopicLink(topic, self);
            return true;
        }
        const TAddress address = SplitAddress(trimmed);
        if (address.Path.empty() || IsExternal(address.Path))
            return false;
        if (kind == THtmlRefKind::Link) {
            const std::string decoded = TargetKey(address.Path);
            std::size_t found = FindTopic(SF::CollapseDotDot(pageFolder, decoded));
            if (found == TStringIndex::npos && decoded != address.Path)
                found = FindTopic(SF::CollapseDotDot(pageFolder, address.Path));
            if (found != TStringIndex::npos) {
                if (pending && address.HasFragment && !address.Fragment.empty()) {
                    *pending = true;
                    return false;
                }
                // The query string goes with the page's name: it means nothing to an anchor.
                replacement = TopicLink(found, address);
                return true;
            }
        }
        return RelocateAddress(pageFolder, address, replacement);
    }

    // The topic whose page is at path (taken as it is on disk), or npos. Most links name a
    // topic's page exactly as it is on disk, which is its key: only the others are looked
    // up on disk.
    std::size_t FindTopic(const std::string& path) const {
        const std::size_t exact = anchorOf_.Find(path);
        if (exact != TStringIndex::npos)
            return exact;
        const std::string onDisk = Paths::ResolveExisting(path);
        if (onDisk.empty() || onDisk == path)
            return TStringIndex::npos;
        return anchorOf_.Find(onDisk);
    }

    // A file that is no topic keeps its place among the copied files; only the point of
    // view moves from the page's folder to the root, where the single page lives.
    bool RelocateAddress(const std::string& pageFolder, const TAddress& address,
                         std::string& replacement) const {
        if (address.Path.empty() || IsExternal(address.Path) || SF::SameText(pageFolder, root_))
            return false;
        const std::string target = SF::CollapseDotDot(pageFolder, address.Path);
        if (rootIsPlain_ && target.size() > root_.size() &&
            target.compare(0, root_.size(), root_) == 0)
            replacement = target.substr(root_.size()); // what RelativePath gives below the root
        else
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
    // The root is absolute, has nothing to collapse and no "\\": a collapsed path that
    // starts with it lies below it as written.
    bool rootIsPlain_ = false;
    TStringIndex anchorOf_; // page as on disk -> the first topic with it
    std::vector<std::vector<std::string>> targets_; // ids and names of each topic, sorted
};

namespace {

bool IsScriptElement(const std::string& element) {
    return element.size() > 7 && SF::AsciiLowerCase(element.substr(0, 7)) == "<script";
}

// Scripts and style sheets of all pages, each distinct one kept once, in the order they
// first appear. Two elements that differ only in which copy of the same file they load are
// one: sites often ship the same script in several folders (one per edition of a book),
// and in one page each copy would run again over the whole document. An element of a body
// whose text waits for other topics' ids is kept with its topic until Finish, when all of
// them are settled and the distinct ones chosen.
class TPageResources {
public:
    explicit TPageResources(const std::string& root) : root_(root), files_(root) {}

    void AddFromHead(std::vector<std::string>& elements) {
        for (std::string& element : elements)
            Add(std::move(element), false, kNoTopic);
        elements.clear();
    }
    // Style sheets go to the head; scripts of a body run after the content, as they did at
    // their place in their own page, not before it exists.
    void AddFromBody(std::vector<std::string>& elements, std::size_t topic) {
        for (std::string& element : elements) {
            const bool tail = IsScriptElement(element);
            const bool waits = element.find(kMarker) != std::string::npos;
            Add(std::move(element), tail, waits ? topic : kNoTopic);
        }
        elements.clear();
    }
    // settle(topic, text) gives the text of an element that waited.
    void Finish(const std::function<std::string(std::size_t, const std::string&)>& settle,
                std::string& head, std::string& tail) {
        std::unordered_set<std::string> chosen;
        for (TEntry& entry : entries_) {
            std::string element =
                entry.Topic == kNoTopic ? std::move(entry.Element) : settle(entry.Topic, entry.Element);
            if (chosen.insert(Identity(element)).second)
                (entry.Tail ? tail : head) += element + "\r\n";
        }
        entries_.clear();
        seen_.clear();
    }

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
            bytes = TextCodec::ReadFileBytesAsSpelled(file.Path);
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

    static constexpr std::size_t kNoTopic = static_cast<std::size_t>(-1);
    struct TEntry {
        std::string Element;
        bool Tail = false;
        std::size_t Topic = kNoTopic; // the topic whose ids it waits for
    };

    void Add(std::string&& element, bool tail, std::size_t topic) {
        // A settled element seen before adds nothing; one that waits may still turn out to
        // be the first of its kind.
        if (topic == kNoTopic && !seen_.insert(Identity(element)).second)
            return;
        entries_.push_back({std::move(element), tail, topic});
    }

    std::unordered_set<std::string> seen_;
    std::vector<TEntry> entries_;
};

bool SameReading(const std::string& charset) {
    // The pages' charset when they declare none changes nothing for the scanner's reading
    // (LoadTextFile without a charset) when it is UTF-8 or none.
    const std::string c = SF::AsciiLowerCase(charset);
    return c.empty() || c == "utf-8" || c == "utf8";
}

} // namespace

TSinglePages::TSinglePages(const TContents& contents, TPartStore& store)
    : contents_(contents), store_(store) {}

TSinglePages::~TSinglePages() = default;

void TSinglePages::Prepare(const std::vector<std::string>& scanOf, const TOnScan& onScan) {
    const TContents& c = contents_;
    const std::string root = Paths::IncludeTrailingSlash(c.Project.RootFolder());
    const std::string charset = SF::Trim(c.Project.ProjectSettings.Encoding);
    links_ = std::make_unique<TSinglePageLinks>(c.Items, root);

    struct TPrepared {
        std::string Body;
        std::vector<std::string> HeadElements;
        std::vector<std::string> BodyElements;
        std::vector<std::string> Targets;
        TPackedStrings Linked;
        std::string ScanError;
    };
    auto prepare = [&](std::size_t i) {
        TPrepared part;
        const TContentsItem& item = *c.Items[i];
        if (!item.HasContent)
            return part;
        const std::string& scanPath = i < scanOf.size() ? scanOf[i] : std::string();
        const std::string pageFolder = Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url));
        // The one reading of the page: its head, its body and, for the file collection,
        // the files it links to.
        std::string bytes;
        std::string readError;
        try {
            bytes = TextCodec::ReadFileBytesAsSpelled(item.File);
        } catch (const std::exception& e) {
            readError = e.what(); // read a moment ago; a page that cannot be read adds nothing
        }
        std::string page;
        bool read = false;
        if (readError.empty()) {
            try {
                page = SF::TextOfBytes(bytes, charset);
                read = true;
            } catch (const std::exception&) {
            }
        }
        if (read)
            ExtractResourceElements(links_->Relocate(pageFolder, PageHead(page)),
                                    part.HeadElements);
        const std::string body = c.KeepBodies ? item.Body : read ? PageBody(page) : std::string();
        part.Body = ExtractResourceElements(links_->RewriteBody(i, pageFolder, body, part.Targets),
                                            part.BodyElements);
        if (!scanPath.empty()) {
            THTMLRefer refer;
            std::vector<std::string> linked;
            try {
                if (!readError.empty())
                    throw EParvaneError(readError);
                refer.GetTextLinkedPaths(read && SameReading(charset) ? std::move(page)
                                                                      : SF::TextOfBytes(bytes),
                                         Paths::ExtractFilePath(scanPath), linked);
            } catch (const std::exception& e) {
                linked.clear();
                part.ScanError = "Cannot read " + scanPath + ": " + e.what();
            }
            part.Linked = TPackedStrings(linked);
        }
        return part;
    };
    TPageResources resources(root);
    ForEachInOrderHelping<TPrepared>(c.Items.size(), c.Threads, prepare,
                                  [&](std::size_t i, TPrepared&& part) {
                                      if (i < scanOf.size() && !scanOf[i].empty() && onScan)
                                          onScan(part.Linked.Views(), part.ScanError);
                                      links_->SetTargets(i, std::move(part.Targets));
                                      resources.AddFromHead(part.HeadElements);
                                      resources.AddFromBody(part.BodyElements, i);
                                      store_.Add(part.Body);
                                  });
    store_.Seal();
    head_.clear();
    tail_.clear();
    resources.Finish(
        [&](std::size_t topic, const std::string& element) {
            std::string settled;
            links_->Settle(topic,
                           Paths::ExtractFilePath(Paths::UrlToPath(root, c.Items[topic]->Url)),
                           element, settled);
            return settled;
        },
        head_, tail_);
}

void TSinglePages::WriteParts(bool findLinks, const std::function<void(TPart&&)>& write,
                              const std::function<void(TPart&)>& rework) {
    const TContents& c = contents_;
    const std::string root = Paths::IncludeTrailingSlash(c.Project.RootFolder());
    const bool hasToc = c.Project.ProjectSettings.SingleHtmlHasToc;
    auto finish = [&](std::size_t i) {
        TPart part;
        const TContentsItem& item = *c.Items[i];
        const std::string level = std::to_string(item.Level);
        std::string& text = part.Text;
        text = "<a name=\"A" + std::to_string(i) + "\">";
        text += "<h" + level + ">" + c.ItemNumber(i) + " " + SF::HtmlEncode(item.Title) + "</h" +
                level + ">\r\n";
        if (item.HasContent) {
            const std::string stored = store_.Take(i);
            text.reserve(text.size() + stored.size() + 64);
            links_->Settle(i, Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url)), stored,
                           text);
            text += "\r\n";
            if (hasToc)
                text += "<p align=\"right\" class=\"back\">[<a href=\"#toc\">TOP</a>]</p>\r\n";
        }
        if (findLinks)
            THTMLRefer().FindLinkSpans(text, part.Links);
        if (rework)
            rework(part);
        return part;
    };
    ForEachInOrderHelping<TPart>(c.Items.size(), c.Threads, finish,
                              [&](std::size_t i, TPart&& part) {
                                  if (c.Items[i]->HasContent)
                                      c.Info(c.Items[i]->Url);
                                  write(std::move(part));
                              });
    c.Info("Changing hyperlinks...");
}

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
    TMemoryParts store;
    TSinglePages pages(*this, store);
    pages.Prepare();
    std::vector<std::string> parts;
    parts.reserve(Items.size() + 1);
    pages.WriteParts(false, [&](TSinglePages::TPart&& part) { parts.push_back(std::move(part.Text)); });
    parts.push_back(pages.Tail());
    headResources = pages.Head();
    return parts;
}

} // namespace parvane
