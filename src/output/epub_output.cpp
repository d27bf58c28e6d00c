// The EPUB branch of the build.

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/epub.h"
#include "output/epub_xhtml.h"
#include "output/output_file.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <unordered_map>
#include <vector>
#include <zip.h>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

// ---- names, language, identifier --------------------------------------------------------

std::string EpubLanguage(std::string_view languageIn) {
    const std::string language = SF::Trim(languageIn);
    static const std::map<int, const char*> tags = {
        {0x0401, "ar-SA"}, {0x0404, "zh-TW"}, {0x0405, "cs-CZ"}, {0x0406, "da-DK"},
        {0x0407, "de-DE"}, {0x0408, "el-GR"}, {0x0409, "en-US"}, {0x040A, "es-ES"},
        {0x040B, "fi-FI"}, {0x040C, "fr-FR"}, {0x040D, "he-IL"}, {0x040E, "hu-HU"},
        {0x0410, "it-IT"}, {0x0411, "ja-JP"}, {0x0412, "ko-KR"}, {0x0413, "nl-NL"},
        {0x0414, "nb-NO"}, {0x0415, "pl-PL"}, {0x0416, "pt-BR"}, {0x0418, "ro-RO"},
        {0x0419, "ru-RU"}, {0x041B, "sk-SK"}, {0x041D, "sv-SE"}, {0x041F, "tr-TR"},
        {0x0422, "uk-UA"}, {0x0424, "sl-SI"}, {0x0429, "fa-IR"}, {0x0807, "de-CH"},
        {0x0804, "zh-CN"}, {0x0809, "en-GB"}, {0x080C, "fr-BE"}, {0x0816, "pt-PT"},
        {0x0C07, "de-AT"}, {0x0C09, "en-AU"}, {0x0C0A, "es-ES"}, {0x0C0C, "fr-CA"},
        {0x1009, "en-CA"}};
    if (language.size() > 2 && language[0] == '0' && (language[1] == 'x' || language[1] == 'X')) {
        char* end = nullptr;
        const long id = std::strtol(language.c_str() + 2, &end, 16);
        if (end && *end == '\0') {
            const auto found = tags.find(static_cast<int>(id));
            if (found != tags.end())
                return found->second;
        }
        return "en";
    }
    // Already a tag: letters, digits and hyphens, starting with two or three letters.
    std::size_t letters = 0;
    while (letters < language.size() && std::isalpha(static_cast<unsigned char>(language[letters])))
        ++letters;
    if (letters < 2 || letters > 3)
        return "en";
    for (char c : language)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-')
            return "en";
    return language;
}

std::string EpubIdentifier(const TPvx& project) {
    // Two FNV-1a hashes with different offsets give the 128 bits of a name-based UUID.
    const std::string name = "parvane:" + Paths::ExtractFileName(project.FileName) + "\n" +
                             project.ProjectSettings.Title;
    auto fnv = [&name](std::uint64_t hash) {
        for (unsigned char c : name) {
            hash ^= c;
            hash *= 0x100000001b3ULL;
        }
        return hash;
    };
    std::uint64_t a = fnv(0xcbf29ce484222325ULL);
    std::uint64_t b = fnv(0x84222325cbf29ce4ULL ^ a);
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(a >> (56 - 8 * i));
        bytes[8 + i] = static_cast<unsigned char>(b >> (56 - 8 * i));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x80); // version 8: custom
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    static const char* const hex = "0123456789abcdef";
    std::string uuid = "urn:uuid:";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            uuid += '-';
        uuid += hex[bytes[i] >> 4];
        uuid += hex[bytes[i] & 15];
    }
    return uuid;
}

std::string EpubSafeName(std::string_view name) {
    std::string out;
    for (unsigned char c : name)
        out += std::isalnum(c) || c == '.' || c == '-' || c == '_' || c >= 0x80
                   ? static_cast<char>(c)
                   : '_';
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    return out;
}

std::string EpubRelative(std::string_view fromFolder, std::string_view path) {
    std::size_t common = 0;
    // The longest shared run of whole folders.
    for (std::size_t i = 0; i < fromFolder.size() && i < path.size() && fromFolder[i] == path[i];
         ++i)
        if (fromFolder[i] == '/')
            common = i + 1;
    std::string rel;
    for (std::size_t i = common; i < fromFolder.size(); ++i)
        if (fromFolder[i] == '/')
            rel += "../";
    rel += path.substr(common);
    return rel;
}

namespace {

bool IsPageExtension(const std::string& ext) {
    return ext == ".htm" || ext == ".html" || ext == ".shtml" || ext == ".shtm" || ext == ".sht" ||
           ext == ".xhtml";
}

// The media type of a file the package may carry besides its documents, or "".
std::string ResourceMediaType(const std::string& path) {
    static const std::map<std::string, const char*> types = {
        {".gif", "image/gif"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".png", "image/png"},
        {".svg", "image/svg+xml"},
        {".css", "text/css"},
        {".woff", "application/font-woff"},
        {".woff2", "font/woff2"},
        {".ttf", "application/font-sfnt"},
        {".otf", "application/vnd.ms-opentype"}};
    const auto found = types.find(SF::AsciiLowerCase(Paths::ExtractFileExt(path)));
    return found == types.end() ? std::string() : found->second;
}

std::string PercentDecode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool HasScheme(const std::string& href) {
    const std::size_t colon = href.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(href[i]);
        if (!(std::isalnum(c) || c == '+' || c == '.' || c == '-'))
            return false;
    }
    return std::isalpha(static_cast<unsigned char>(href[0])) != 0;
}

struct TDocument {
    std::string Source;      // the page on disk ("" for a generated heading page)
    std::string PackagePath; // below OEBPS/, e.g. "content/sub/page.xhtml"
    std::string Title;
    std::string ManifestId;
    bool Linear = true;
    std::set<std::string> Ids;
    std::string Text; // the page, read once
};

struct TResource {
    std::string PackagePath;
    std::string MediaType;
    std::string ManifestId;
};

class TEpubBuilder {
public:
    TEpubBuilder(TBuildContext& ctx) : ctx_(ctx) {
        root_ = Paths::IncludeTrailingSlash(ctx.Project.RootFolder());
        realRoot_ = Real(root_);
        if (!realRoot_.empty() && realRoot_.back() != '/')
            realRoot_ += '/';
        language_ = EpubLanguage(ctx.Project.ProjectSettings.Language);
        charset_ = SF::Trim(ctx.Project.ProjectSettings.Encoding);
    }

    // Finds the pages and what they use; runs before the target is checked, which refuses
    // any file the book is made from.
    void Collect() {
        TContents& contents = ctx_.Contents;
        ctx_.Host.Info("Preparing files...");
        // Every contents topic's page, and every page the collected pages bring in.
        std::vector<std::string> topicPages(contents.Items.size());
        for (std::size_t i = 0; i < contents.Items.size(); ++i) {
            const TContentsItem& item = *contents.Items[i];
            if (!item.HasContent)
                continue;
            const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root_, item.Url));
            if (page.empty())
                continue;
            if (!Inside(page)) {
                ctx_.Host.Info("Not included, it lies outside the project's root folder: " + page);
                continue;
            }
            CollectFiles(contents, page);
            topicPages[i] = Real(page);
        }

        // Documents: the contents pages in order (one per page), then headings without a
        // page, then the other pages the build collected.
        itemDocument_.assign(contents.Items.size(), nullptr);
        for (std::size_t i = 0; i < contents.Items.size(); ++i) {
            const TContentsItem& item = *contents.Items[i];
            if (!topicPages[i].empty()) {
                itemDocument_[i] = AddPageDocument(topicPages[i], item.Title, true);
            } else {
                auto doc = std::make_unique<TDocument>();
                doc->PackagePath = "parvane/heading-" + std::to_string(i + 1) + ".xhtml";
                doc->Title = item.Title;
                itemDocument_[i] = AddDocument(std::move(doc));
            }
        }
        for (const std::string& file : contents.Files) {
            if (!IsPageExtension(SF::AsciiLowerCase(Paths::ExtractFileExt(file))))
                continue;
            const std::string real = Real(file);
            if (!real.empty() && Inside(real) && !byPath_.count(real))
                AddPageDocument(real, "", false);
        }
    }

    void Build(const std::string& epubFile) {
        TContents& contents = ctx_.Contents;

        ctx_.Host.Info("Converting pages...");
        for (const auto& doc : documents_)
            if (!doc->Source.empty())
                doc->Ids = XhtmlIdsOf(doc->Text);
        for (const auto& doc : documents_)
            WriteDocument(*doc);
        WriteStyleSheets();

        ctx_.Host.Info("Writing the navigation...");
        Add("OEBPS/nav.xhtml", Navigation(), true);
        const bool hasIndex = !contents.KeywordPairs().empty();
        if (hasIndex)
            Add("OEBPS/keywords.xhtml", KeywordIndex(), true);
        Add("OEBPS/package.opf", PackageDocument(hasIndex), true);
        Add("META-INF/container.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<container version=\"1.0\" "
            "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
            "  <rootfiles>\n    <rootfile full-path=\"OEBPS/package.opf\" "
            "media-type=\"application/oebps-package+xml\"/>\n  </rootfiles>\n</container>\n",
            true);

        ctx_.Host.Info("Packing...");
        Pack(epubFile);
    }

private:
    std::string Real(const std::string& path) const {
        const std::string existing = Paths::ResolveExisting(SF::CollapseDotDot(path));
        if (existing.empty())
            return {};
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(existing, ec);
        return ec ? existing : canonical.string();
    }

    bool Inside(const std::string& real) const {
        return real.size() > realRoot_.size() && real.compare(0, realRoot_.size(), realRoot_) == 0;
    }

    // A package path under "content/" mirroring the file's place below the root, made safe
    // and unique (without regard to case, as some readers unpack onto such file systems).
    std::string PackagePathFor(const std::string& real, const std::string& newExtension) {
        std::string rel = real.substr(realRoot_.size());
        std::string path = "content/";
        std::size_t start = 0;
        while (start <= rel.size()) {
            std::size_t slash = rel.find('/', start);
            const bool last = slash == std::string::npos;
            if (last)
                slash = rel.size();
            std::string segment = rel.substr(start, slash - start);
            if (last && !newExtension.empty())
                segment = Paths::ChangeFileExt(segment, newExtension);
            path += EpubSafeName(segment);
            if (last)
                break;
            path += '/';
            start = slash + 1;
        }
        std::string unique = path;
        for (int n = 2; !takenNames_.insert(SF::AsciiLowerCase(unique)).second; ++n)
            unique = Paths::ChangeFileExt(path, "") + "-" + std::to_string(n) +
                     Paths::ExtractFileExt(path);
        return unique;
    }

    TDocument* AddDocument(std::unique_ptr<TDocument> doc) {
        takenNames_.insert(SF::AsciiLowerCase(doc->PackagePath));
        doc->ManifestId = "d" + std::to_string(documents_.size() + 1);
        documents_.push_back(std::move(doc));
        return documents_.back().get();
    }

    TDocument* AddPageDocument(const std::string& real, const std::string& title, bool linear) {
        if (const auto found = byPath_.find(real); found != byPath_.end())
            return found->second;
        auto doc = std::make_unique<TDocument>();
        doc->Source = real;
        doc->Linear = linear;
        doc->PackagePath = PackagePathFor(real, ".xhtml");
        try {
            doc->Text = SF::LoadTextFile(real, charset_);
        } catch (const std::exception& e) {
            ctx_.Host.Info("Cannot read " + real + ": " + e.what());
        }
        doc->Title = title;
        TDocument* added = AddDocument(std::move(doc));
        byPath_[real] = added;
        return added;
    }

    // A local reference made absolute and real: "" when it leaves the root or is missing.
    std::string LocalTarget(const std::string& fromFolder, const std::string& pathPart) const {
        std::string path = PercentDecode(pathPart);
        for (char& c : path)
            if (c == '\\')
                c = '/';
        if (path.empty() || path[0] == '/')
            return {};
        const std::string real = Real(fromFolder + path);
        return !real.empty() && Inside(real) ? real : std::string();
    }

    std::string Hyperlink(const TDocument& from, const std::string& href) {
        if (href.empty())
            return {};
        const std::size_t hash = href.find('#');
        // The id the fragment names in a page, "" for none: spelled as written first, then
        // as it decodes, as a browser looks for it (ids may hold percent escapes).
        const auto idIn = [&](const TDocument& page) -> std::string {
            if (hash == std::string::npos || hash + 1 == href.size())
                return {};
            const std::string written = href.substr(hash + 1);
            if (std::string id = XhtmlId(written); page.Ids.count(id))
                return id;
            if (written.find('%') == std::string::npos)
                return {};
            std::string id = XhtmlId(PercentDecode(written));
            return page.Ids.count(id) ? id : std::string();
        };
        if (hash == 0) {
            const std::string id = idIn(from);
            return id.empty() ? std::string() : "#" + id;
        }
        if (HasScheme(href)) {
            const std::string scheme = SF::AsciiLowerCase(href.substr(0, href.find(':')));
            const bool remote =
                scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
            return remote && href.find_first_of(" \"<>") == std::string::npos ? href
                                                                              : std::string();
        }
        std::string path = href.substr(0, std::min(hash, href.find('?')));
        const std::string target = LocalTarget(Paths::ExtractFilePath(from.Source), path);
        const auto found = byPath_.find(target);
        if (target.empty() || found == byPath_.end())
            return {}; // no page of the book: the text stays, the link goes
        const TDocument& to = *found->second;
        std::string result = EpubRelative(Paths::ExtractFilePath(from.PackagePath), to.PackagePath);
        if (const std::string id = idIn(to); !id.empty())
            result += "#" + id;
        return result;
    }

    std::string Resource(const std::string& fromSourceFolder, const std::string& fromPackageFolder,
                         const std::string& src) {
        if (src.empty() || HasScheme(src) || src[0] == '#')
            return {};
        const std::string target =
            LocalTarget(fromSourceFolder, src.substr(0, src.find_first_of("?#")));
        if (target.empty())
            return {};
        const std::string mediaType = ResourceMediaType(target);
        std::error_code ec;
        if (mediaType.empty() || !fs::is_regular_file(target, ec))
            return {};
        auto found = resources_.find(target);
        if (found == resources_.end()) {
            TResource resource;
            resource.PackagePath = PackagePathFor(target, "");
            resource.MediaType = mediaType;
            resource.ManifestId = "r" + std::to_string(resources_.size() + 1);
            found = resources_.emplace(target, resource).first;
            resourceOrder_.push_back(target);
            if (mediaType == "text/css")
                pendingStyleSheets_.push_back(target);
        }
        return EpubRelative(fromPackageFolder, found->second.PackagePath);
    }

    void WriteDocument(const TDocument& doc) {
        std::string head, body, title = doc.Title;
        if (!doc.Source.empty()) {
            ctx_.Host.Info(Paths::PathToUrl(realRoot_, doc.Source));
            const std::string sourceFolder = Paths::ExtractFilePath(doc.Source);
            const std::string packageFolder = Paths::ExtractFilePath(doc.PackagePath);
            TXhtmlLinks links;
            links.Hyperlink = [this, &doc](const std::string& href) {
                return Hyperlink(doc, href);
            };
            links.Resource = [this, &sourceFolder, &packageFolder](const std::string& src) {
                return Resource(sourceFolder, packageFolder, src);
            };
            TXhtmlPage page = ConvertToXhtml(doc.Text, links);
            head = std::move(page.Head);
            body = std::move(page.Body);
            if (title.empty())
                title = page.Title;
        } else {
            body = "<h1>" + XmlEscape(doc.Title) + "</h1>";
        }
        if (SF::Trim(title).empty())
            title = Paths::ExtractFileName(doc.Source.empty() ? doc.PackagePath : doc.Source);
        Add("OEBPS/" + doc.PackagePath, XhtmlDocument(title, language_, head, body), true);
    }

    // Style sheets are written as UTF-8 with their url()s mapped into the package; the
    // pictures and fonts they name come along.
    void WriteStyleSheets() {
        while (!pendingStyleSheets_.empty()) {
            const std::string sheet = pendingStyleSheets_.front();
            pendingStyleSheets_.pop_front();
            std::string text;
            try {
                text = TextCodec::DecodePage(TextCodec::ReadFileBytes(sheet), "UTF-8");
            } catch (const std::exception& e) {
                ctx_.Host.Info("Cannot read " + sheet + ": " + e.what());
            }
            // An @charset rule would now name the wrong charset.
            if (SF::StartsWithText(text, "@charset")) {
                const std::size_t end = text.find(';');
                text.erase(0, end == std::string::npos ? text.size() : end + 1);
            }
            const std::string sourceFolder = Paths::ExtractFilePath(sheet);
            const std::string packageFolder = Paths::ExtractFilePath(resources_[sheet].PackagePath);
            const std::string css =
                RewriteCssUrls(text, [this, &sourceFolder, &packageFolder](const std::string& url) {
                    return Resource(sourceFolder, packageFolder, url);
                });
            writtenSheets_.insert(sheet);
            Add("OEBPS/" + resources_[sheet].PackagePath, css, true);
        }
    }

    std::string Navigation() const {
        const TContents& contents = ctx_.Contents;
        std::string body = "<nav epub:type=\"toc\" id=\"toc\">\n<h1>Contents</h1>\n<ol>\n";
        int depth = 1;
        const int base = contents.Items.empty() ? 1 : contents.Items.front()->Level;
        for (std::size_t i = 0; i < contents.Items.size(); ++i) {
            const TContentsItem& item = *contents.Items[i];
            const int level = std::max(1, item.Level - base + 1);
            if (i > 0) {
                if (level > depth) {
                    body += "\n<ol>\n";
                    ++depth; // a tree goes one level down at a time
                } else {
                    body += "</li>\n";
                    for (; depth > level; --depth)
                        body += "</ol>\n</li>\n";
                }
            }
            std::string title = SF::Trim(item.Title);
            if (title.empty())
                title = "(untitled)";
            body += "<li><a href=\"" + XmlEscape(itemDocument_[i]->PackagePath) + "\">" +
                    XmlEscape(title) + "</a>";
        }
        if (!contents.Items.empty()) {
            body += "</li>\n";
            for (; depth > 1; --depth)
                body += "</ol>\n</li>\n";
        }
        if (!contents.KeywordPairs().empty())
            body += "<li><a href=\"keywords.xhtml\">Index</a></li>\n";
        if (contents.Items.empty() && contents.KeywordPairs().empty())
            body += "<li><a href=\"nav.xhtml\">" + XmlEscape(Title()) + "</a></li>\n";
        body += "</ol>\n</nav>";
        return XhtmlDocument(Title(), language_, "", body, true);
    }

    std::string KeywordIndex() const {
        std::string body = "<h1>Index</h1>\n<dl>\n";
        std::string previous;
        for (const TKeywordPair& pair : ctx_.Contents.KeywordPairs()) {
            if (pair.Keyword != previous) {
                std::string shown;
                for (const std::string& part : SplitKeywordParts(pair.Keyword))
                    shown += (shown.empty() ? "" : ", ") + part;
                body += "<dt>" + XmlEscape(shown) + "</dt>\n";
                previous = pair.Keyword;
            }
            const TDocument* doc = itemDocument_[static_cast<std::size_t>(pair.Item->Position)];
            body += "<dd><a href=\"" + XmlEscape(doc->PackagePath) + "\">" +
                    XmlEscape(pair.Item->Title) + "</a></dd>\n";
        }
        body += "</dl>";
        return XhtmlDocument("Index", language_, "", body);
    }

    std::string Title() const {
        const std::string title = SF::Trim(ctx_.Project.ProjectSettings.Title);
        return title.empty()
                   ? Paths::ChangeFileExt(Paths::ExtractFileName(ctx_.Project.FileName), "")
                   : title;
    }

    static std::string Modified() {
        std::time_t now = std::time(nullptr);
        if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch)
            now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
        std::tm utc{};
        gmtime_r(&now, &utc);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
        return text;
    }

    std::string PackageDocument(bool hasIndex) const {
        std::string opf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                          "unique-identifier=\"pub-id\" xml:lang=\"" +
                          XmlEscape(language_) +
                          "\">\n  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                          "    <dc:identifier id=\"pub-id\">" +
                          EpubIdentifier(ctx_.Project) + "</dc:identifier>\n    <dc:title>" +
                          XmlEscape(Title()) + "</dc:title>\n    <dc:language>" +
                          XmlEscape(language_) +
                          "</dc:language>\n    <meta property=\"dcterms:modified\">" + Modified() +
                          "</meta>\n  </metadata>\n  <manifest>\n"
                          "    <item id=\"nav\" href=\"nav.xhtml\" "
                          "media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n";
        if (hasIndex)
            opf += "    <item id=\"keywords\" href=\"keywords.xhtml\" "
                   "media-type=\"application/xhtml+xml\"/>\n";
        for (const auto& doc : documents_)
            opf += "    <item id=\"" + doc->ManifestId + "\" href=\"" +
                   XmlEscape(doc->PackagePath) + "\" media-type=\"application/xhtml+xml\"/>\n";
        for (const std::string& file : resourceOrder_) {
            const TResource& r = resources_.at(file);
            opf += "    <item id=\"" + r.ManifestId + "\" href=\"" + XmlEscape(r.PackagePath) +
                   "\" media-type=\"" + r.MediaType + "\"/>\n";
        }
        opf += "  </manifest>\n  <spine>\n";
        for (const auto& doc : documents_)
            if (doc->Linear)
                opf += "    <itemref idref=\"" + doc->ManifestId + "\"/>\n";
        if (hasIndex)
            opf += "    <itemref idref=\"keywords\"/>\n";
        for (const auto& doc : documents_)
            if (!doc->Linear)
                opf += "    <itemref idref=\"" + doc->ManifestId + "\" linear=\"no\"/>\n";
        opf += "  </spine>\n</package>\n";
        return opf;
    }

    // Generated text, kept until the archive is closed (libzip reads it then).
    void Add(const std::string& name, std::string text, bool compress) {
        texts_.push_back(std::move(text));
        entries_.push_back({name, &texts_.back(), "", compress});
    }

    void Pack(const std::string& file) {
        for (const std::string& source : resourceOrder_)
            if (!writtenSheets_.count(source))
                entries_.push_back(
                    {"OEBPS/" + resources_[source].PackagePath, nullptr, source, false});
        int error = 0;
        zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!archive) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            const std::string message = zip_error_strerror(&ze);
            zip_error_fini(&ze);
            throw EParvaneError("Cannot write \"" + file + "\": " + message);
        }
        auto fail = [&](const std::string& what) {
            const std::string message = what + ": " + zip_strerror(archive);
            zip_discard(archive);
            throw EParvaneError(message);
        };
        const std::time_t stamp = std::time(nullptr);
        // The mimetype comes first and stored, so a reader can tell the file by its start.
        static const char kMimeType[] = "application/epub+zip";
        std::vector<TEntry> all;
        all.push_back({"mimetype", nullptr, "", false});
        all.insert(all.end(), entries_.begin(), entries_.end());
        for (const TEntry& entry : all) {
            zip_source_t* source = nullptr;
            if (entry.Name == "mimetype")
                source = zip_source_buffer(archive, kMimeType, sizeof kMimeType - 1, 0);
            else if (entry.Text)
                source = zip_source_buffer(archive, entry.Text->data(), entry.Text->size(), 0);
            else
                source = zip_source_file(archive, entry.File.c_str(), 0, -1);
            if (!source)
                fail("Cannot add " + entry.Name);
            const zip_int64_t index =
                zip_file_add(archive, entry.Name.c_str(), source, ZIP_FL_ENC_UTF_8);
            if (index < 0) {
                zip_source_free(source);
                fail("Cannot add " + entry.Name);
            }
            const zip_uint64_t at = static_cast<zip_uint64_t>(index);
            zip_set_file_compression(archive, at, entry.Compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                     0);
            zip_file_set_mtime(archive, at, stamp, 0);
        }
        if (zip_close(archive) != 0)
            fail("Cannot write \"" + file + "\"");
    }

    struct TEntry {
        std::string Name;
        const std::string* Text;
        std::string File;
        bool Compress;
    };

    TBuildContext& ctx_;
    std::string root_, realRoot_, language_, charset_;
    std::vector<std::unique_ptr<TDocument>> documents_;
    std::unordered_map<std::string, TDocument*> byPath_;
    std::vector<TDocument*> itemDocument_;
    std::set<std::string> takenNames_;
    std::map<std::string, TResource> resources_;
    std::vector<std::string> resourceOrder_;
    std::deque<std::string> pendingStyleSheets_;
    std::set<std::string> writtenSheets_;
    std::deque<std::string> texts_;
    std::vector<TEntry> entries_;
};

} // namespace

void BuildEpubBranch(TBuildContext& ctx) {
    static const TOutputFileKind kind{"EPUB", ".epub", LooksLikeEpub};
    TEpubBuilder builder(ctx);
    builder.Collect();
    const std::string target = PrepareOutputFile(ctx, ctx.Project.ProjectSettings.EpubFile, kind);
    const TPrivateFolder work("parvane-epub");
    const std::string packed = work.Path() + "book.epub";
    builder.Build(packed);
    InstallOutputFile(packed, target);
    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + target);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = target;
}

} // namespace parvane
