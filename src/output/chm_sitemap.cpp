// The sitemap texts of the HTML Help project: contents tree, keyword index, alias and map.

#include "model/paths.h"
#include "model/string_func.h"
#include "output/contents.h"
#include "output/keyword_index.h"

#include <algorithm>
#include <unordered_set>

namespace parvane {

namespace {

const char* const kCrLf = "\r\n";

std::string Param(const std::string& name, const std::string& value) {
    return "<param name=\"" + name + "\" value=\"" + value + "\">" + kCrLf;
}

std::string Escaped(const std::string& s) {
    return StringFunc::HtmlEncode(s);
}

std::string LinkOf(const std::string& url) {
    return Escaped(StringFunc::ToForwardSlashes(url));
}

void Repeat(std::string& out, const char* text, int times) {
    for (int i = 0; i < times; ++i)
        out += text;
}

// An index keyword as its levels. Empty levels (from "/" at either end or "///") are
// dropped: an entry without a name would be an invisible line in the index.
using TKeywordPath = std::vector<std::string>;

TKeywordPath KeywordPath(const std::string& keyword) {
    TKeywordPath parts = SplitKeywordParts(keyword);
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [](const std::string& p) { return StringFunc::Trim(p).empty(); }),
                parts.end());
    for (std::string& p : parts)
        p = StringFunc::Trim(p);
    return parts;
}

struct TIndexEntry {
    TKeywordPath Path;
    TKeywordPath Folded; // the levels in lower case, computed once for the sort
    const TContentsItem* Item;
};

// Level by level without regard to case, then exactly, so every group of entries that
// shares a parent stays together even when the parents differ only in case.
bool IndexEntryLess(const TIndexEntry& a, const TIndexEntry& b) {
    const std::size_t n = std::min(a.Path.size(), b.Path.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (const int c = a.Folded[i].compare(b.Folded[i]); c != 0)
            return c < 0;
        if (const int c = a.Path[i].compare(b.Path[i]); c != 0)
            return c < 0;
    }
    return a.Path.size() < b.Path.size();
}

// The list changes between two consecutive keywords (the rule the Web Help index shares):
// close the levels of `from` that `to` does not share, nest inside the entry of `from`
// when `to` goes on below it, and open the parents of `to` that `from` did not have.
void AppendTransition(std::string& out, const TKeywordPath& from, const TKeywordPath& to) {
    const TKeywordTransition t = KeywordTransition(from, to);
    for (std::size_t j = 0; j < t.Close; ++j)
        out += std::string("</UL>") + kCrLf;
    if (t.NestInPrevious)
        out += std::string("<UL>") + kCrLf;
    for (std::size_t j = t.FirstParent; j < t.ParentEnd; ++j) {
        out += std::string("<LI> <OBJECT type=\"text/sitemap\">") + kCrLf;
        out += Param("Name", Escaped(to[j]));
        out += Param("See Also", Escaped(to[j]));
        out += std::string("</OBJECT>") + kCrLf;
        out += std::string("<UL>") + kCrLf;
    }
}

// A context number the map header and the alias section can carry: decimal digits, or
// hexadecimal digits after "0x".
bool IsContextNumber(const std::string& s) {
    std::size_t start = 0;
    bool hex = false;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        start = 2;
        hex = true;
    }
    if (start >= s.size())
        return false;
    return std::all_of(s.begin() + static_cast<std::ptrdiff_t>(start), s.end(), [hex](char c) {
        return (c >= '0' && c <= '9') ||
               (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    });
}

// A relative address that stays below the root: no leading "/", no drive or scheme, no
// ".." level.
bool IsInsideAddress(const std::string& address) {
    if (address.empty() || address[0] == '/' || address.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= address.size()) {
        std::size_t end = address.find('/', start);
        if (end == std::string::npos)
            end = address.size();
        if (address.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

std::string TContents::BuildSitemapContents() const {
    std::string out = "<UL>";
    int prev = Items.empty() ? 1 : Items.front()->Level;
    for (const auto& item : Items) {
        const int cur = item->Level;
        if (cur < prev)
            Repeat(out, "</UL>", prev - cur);
        else if (cur > prev)
            Repeat(out, "<UL>", cur - prev);
        out += std::string("<LI><OBJECT type=\"text/sitemap\">") + kCrLf;
        out += Param("Name", Escaped(item->Title));
        if (item->Status == tsUnsaved) {
            const std::string blank =
                Project.ProjectSettings.DefaultTemplate
                    ? "file://" + std::string(ProgramFolder.rfind('/', 0) == 0 ? "" : "/") +
                          ProgramFolder + "new.htm"
                    : Project.ProjectSettings.CustomTemplate;
            out += Param("Local", LinkOf(blank));
        } else {
            out += Param("Local", LinkOf(item->Url));
        }
        if (item->ImageNumber != -1)
            out += Param("ImageNumber", std::to_string(item->ImageNumber));
        out += std::string("</OBJECT>") + kCrLf;
        prev = cur;
    }
    if (prev > 1)
        Repeat(out, "</UL>", prev - 1);
    out += "</UL>";
    return out;
}

std::string TContents::BuildSitemapIndex() const {
    std::vector<TIndexEntry> entries;
    for (const TKeywordPair& pair : KeywordPairs()) {
        TKeywordPath path = KeywordPath(pair.Keyword);
        if (path.empty() || !pair.Item)
            continue;
        TKeywordPath folded;
        folded.reserve(path.size());
        for (const std::string& part : path)
            folded.push_back(StringFunc::LowerCase(part));
        entries.push_back({std::move(path), std::move(folded), pair.Item});
    }
    // Topics that share a keyword keep their order in the table of contents.
    std::stable_sort(entries.begin(), entries.end(), IndexEntryLess);

    std::string out = "<UL>";
    static const TKeywordPath kNone;
    const TKeywordPath* prev = &kNone;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TKeywordPath& key = entries[i].Path;
        const bool isNew = i == 0 || key != *prev;
        if (i > 0 && isNew)
            out += "</OBJECT>";
        AppendTransition(out, *prev, key);
        if (isNew) {
            out += std::string("<LI><OBJECT type=\"text/sitemap\">") + kCrLf;
            out += Param("Name", Escaped(key.back()));
        }
        out += Param("Name", Escaped(entries[i].Item->Title));
        out += Param("Local", LinkOf(entries[i].Item->Url));
        prev = &key;
    }
    if (!entries.empty())
        out += "</OBJECT>";
    AppendTransition(out, *prev, kNone);
    out += "</UL>";
    return out;
}

void TContents::BuildAliasAndMap(std::string& aliasText, std::string& mapText) const {
    aliasText.clear();
    mapText.clear();
    std::unordered_set<std::string> seen;
    for (const auto& item : Items) {
        if (item->Status != tsLinked)
            continue;
        const std::string number = StringFunc::Trim(item->ContextNumber);
        if (number.empty())
            continue;
        if (!IsContextNumber(number)) {
            Info("Context number \"" + number + "\" of the topic \"" + item->Title +
                 "\" is not a number; it is left out of the map.");
            continue;
        }
        // The compiler matches an alias against the files it packs, by their names with
        // "/"; one that matches none fails the whole compile. A page outside the root is
        // not packed, so it can have no context number.
        const std::string address = StringFunc::ToForwardSlashes(item->Url);
        if (!IsInsideAddress(address)) {
            Info("The topic \"" + item->Title + "\" lies outside the project's root folder; "
                 "its context number " + number + " is left out of the map.");
            continue;
        }
        if (!item->HasContent) // a missing page is not packed either
            continue;
        if (!seen.insert(number).second) {
            Info("Context number " + number + " of the topic \"" + item->Title +
                 "\" is used by an earlier topic; it is left out of the map.");
            continue;
        }
        aliasText += "IDH_ID" + number + "=" + address + kCrLf;
        mapText += "#define IDH_ID" + number + " " + number + kCrLf;
    }
}

} // namespace parvane
