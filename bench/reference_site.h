#pragma once
// A generated documentation site shaped like a large API reference, for the scale
// benchmarks: pages of about 16 KB in folders of up to 10,000 pages, three and four levels
// deep; every page has about 60 links (same folder, other folders through "../", the shared
// style sheets, scripts, fonts and pictures at the top, a 10 MB search-index script that every
// page loads, fragments), of which about 5 % name missing files and a few differ in letter
// case from the file they mean. The same page count always gives the same bytes.

#include "bench_support.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace parvane::bench {

struct TReferenceSite {
    struct TFolder {
        std::string Path; // relative, "/" separators, trailing "/"
        int Depth = 0;    // folders below the root
        int Pages = 0;
    };
    std::vector<TFolder> Folders;
    long long Pages = 0;
    long long Bytes = 0;
    long long Links = 0;
    long long MissingLinks = 0;
    long long CaseLinks = 0;
};

namespace site_detail {

// splitmix64: small, fast and the same everywhere.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

inline const char* const kWords[] = {"buffer", "stream", "socket", "parser", "widget", "render",
                                     "vector", "matrix", "thread", "signal", "handle", "string",
                                     "cursor", "filter", "reader", "writer", "layout", "record",
                                     "schema", "bridge", "cipher", "digest", "packet", "router",
                                     "tensor", "sprite", "shader", "module", "plugin", "window"};
constexpr int kWordCount = static_cast<int>(sizeof(kWords) / sizeof(kWords[0]));

// The file name of page i of folder f: lower case, as the generator writes it.
inline std::string PageName(int folder, int i) {
    return std::string(kWords[(folder * 7 + i) % kWordCount]) + "_" + std::to_string(folder) + "_" +
           std::to_string(i) + ".html";
}

// The same name with its first letters in upper case: on a case-sensitive file system
// only the case-insensitive fallback finds it.
inline std::string CaseVariant(std::string name) {
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    const std::size_t u = name.find('_');
    if (u != std::string::npos && u + 1 < name.size() && name[u + 1] >= 'a' && name[u + 1] <= 'z')
        name[u + 1] = static_cast<char>(name[u + 1] - 'a' + 'A');
    return name;
}

inline std::string UpToRoot(int depth) {
    std::string up;
    for (int d = 0; d < depth; ++d)
        up += "../";
    return up;
}

// Folder sizes: the largest holds a fifth of the pages (at most 10,000), the rest come in
// folders of 40 to 2,500 pages, at depths 2, 3 and 4 ("api/pkgN/", ".../classes/",
// ".../classes/members/").
inline std::vector<TReferenceSite::TFolder> PlanFolders(int pages) {
    std::vector<TReferenceSite::TFolder> folders;
    const int largest = std::max(1, std::min(10000, pages / 5));
    folders.push_back({"api/core/members/", 3, largest});
    int left = pages - largest;
    static const int sizes[] = {2500, 1200, 600, 300, 150, 80, 40};
    int k = 0;
    while (left > 0) {
        const int size = std::min(left, sizes[k % 7]);
        const int pkg = k / 3;
        std::string path = "api/pkg" + std::to_string(pkg) + "/";
        int depth = 2;
        if (k % 3 >= 1) {
            path += "classes/";
            depth = 3;
        }
        if (k % 3 == 2) {
            path += "members/";
            depth = 4;
        }
        folders.push_back({path, depth, size});
        left -= size;
        ++k;
    }
    return folders;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::string Prose(TRandom& rnd, int words) {
    std::string s;
    for (int w = 0; w < words; ++w) {
        s += kWords[rnd.Below(kWordCount)];
        // Dots that are not extensions, as real prose has: versions, numbers, abbreviations.
        switch (rnd.Below(12)) {
        case 0:
            s += " 2.4.1";
            break;
        case 1:
            s += ". ";
            break;
        case 2:
            s += " e.g.";
            break;
        default:
            break;
        }
        s += ' ';
    }
    return s;
}

} // namespace site_detail

// Writes the site into root (which must not exist yet or be empty).
inline TReferenceSite MakeReferenceSite(const std::filesystem::path& root, int pages) {
    namespace fs = std::filesystem;
    using namespace site_detail;
    TReferenceSite site;
    site.Folders = PlanFolders(pages);
    TRandom rnd(0x5eed0000u + static_cast<std::uint64_t>(pages));

    // Shared files at the top.
    fs::create_directories(root / "css");
    fs::create_directories(root / "js");
    fs::create_directories(root / "fonts");
    fs::create_directories(root / "img");
    WriteFile(root / "css/style.css",
              "@font-face{font-family:Doc;src:url(../fonts/doc.woff) format('woff'),"
              "url(../fonts/doc.ttf) format('truetype')}\n"
              "body{font-family:Doc,sans-serif;background:url(../img/bg.png)}\n"
              ".note{background:url(\"../img/note.png\") no-repeat}\n" +
                  std::string(6000, ' ') + "\n");
    WriteFile(root / "css/theme.css", "h1{color:#345}\n.sig{font-family:monospace}\n");
    WriteFile(root / "css/print.css", "@media print{.nav{display:none}}\n");
    WriteFile(root / "fonts/doc.woff", std::string(40000, '\x07'));
    WriteFile(root / "fonts/doc.ttf", std::string(90000, '\x08'));
    WriteFile(root / "img/bg.png", std::string(3000, '\x09'));
    WriteFile(root / "img/note.png", std::string(800, '\x0a'));
    WriteFile(root / "img/logo.png", std::string(5000, '\x0b'));
    WriteFile(root / "js/jquery.js", "/* a library */\n" + std::string(90000, ';') + "\n");
    WriteFile(root / "js/app.js", "function show(id){document.getElementById(id).hidden=false}\n");
    {
        // The search index: 10 MB of entries naming pages by their path from the root
        // (relative to js/ they name nothing), as generated references ship one.
        std::string index = "var searchIndex=[\n";
        int n = 0;
        while (index.size() < 10u * 1024 * 1024) {
            const int f = n % static_cast<int>(site.Folders.size());
            const auto& folder = site.Folders[static_cast<std::size_t>(f)];
            const int i = (n / static_cast<int>(site.Folders.size())) % folder.Pages;
            index += "[\"" + folder.Path + PageName(f, i) + "\",\"" + kWords[n % kWordCount] + " " +
                     std::to_string(n) + "\",\"v1.2 member of " + kWords[(n / 7) % kWordCount] +
                     "\"],\n";
            ++n;
        }
        index += "];\n";
        WriteFile(root / "js/search_index.js", index);
    }

    // The start page links every folder's first page.
    {
        std::string home = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>API "
                           "Reference</title><link rel=\"stylesheet\" href=\"css/style.css\">"
                           "</head><body>\n<h1>API Reference</h1>\n<ul>\n";
        for (std::size_t f = 0; f < site.Folders.size(); ++f)
            home += "<li><a href=\"" + site.Folders[f].Path + PageName(static_cast<int>(f), 0) +
                    "\">" + site.Folders[f].Path + "</a></li>\n";
        home += "</ul>\n</body></html>\n";
        WriteFile(root / "index.html", home);
        site.Pages += 1;
        site.Bytes += static_cast<long long>(home.size());
    }

    const int folderCount = static_cast<int>(site.Folders.size());
    std::string page;
    for (int f = 0; f < folderCount; ++f) {
        const auto& folder = site.Folders[static_cast<std::size_t>(f)];
        fs::create_directories(root / folder.Path);
        const std::string up = UpToRoot(folder.Depth);
        for (int i = 0; i < folder.Pages; ++i) {
            page.clear();
            const std::string title = std::string(kWords[(f + i) % kWordCount]) +
                                      "::" + kWords[(i * 3) % kWordCount] + " " + std::to_string(i);
            page += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>" + title +
                    "</title>\n";
            page += "<link rel=\"stylesheet\" href=\"" + up + "css/style.css\">\n";
            page += "<link rel=\"stylesheet\" href=\"" + up + "css/theme.css\">\n";
            page += "<link rel=\"stylesheet\" media=\"print\" href=\"" + up + "css/print.css\">\n";
            page += "<link rel=\"preload\" href=\"" + up + "fonts/doc.woff\" as=\"font\">\n";
            page += "<script src=\"" + up + "js/jquery.js\"></script>\n";
            page += "<script src=\"" + up + "js/search_index.js\"></script>\n";
            page += "<script src=\"" + up + "js/app.js\"></script>\n";
            page += "</head><body>\n<div class=\"nav\"><a href=\"" + up +
                    "index.html\">Home</a> <img src=\"" + up + "img/logo.png\" alt=\"\"></div>\n";
            page += "<h1>" + title + "</h1>\n";
            int links = 10; // the head and the navigation bar
            int missing = 0, caseLinks = 0;
            // 50 links in the text, one every paragraph.
            for (int l = 0; l < 50; ++l) {
                const int kind = rnd.Below(100);
                std::string href;
                if (kind < 55) { // a sibling in the same folder
                    const int j = rnd.Below(folder.Pages);
                    href = PageName(f, j);
                    if (kind < 12)
                        href += "#m" + std::to_string(rnd.Below(20));
                } else if (kind < 88) { // a page of another folder
                    const int g = rnd.Below(folderCount);
                    const auto& other = site.Folders[static_cast<std::size_t>(g)];
                    href = up + other.Path + PageName(g, rnd.Below(other.Pages));
                    if (kind < 70)
                        href += "#section" + std::to_string(rnd.Below(5));
                } else if (kind < 94) { // missing: a page that was never written
                    href = (kind & 1 ? std::string() : up + "api/removed/") +
                           PageName(f, folder.Pages + rnd.Below(100000));
                    ++missing;
                } else if (kind < 97) { // a sibling written in other letter case
                    href = CaseVariant(PageName(f, rnd.Below(folder.Pages)));
                    ++caseLinks;
                } else { // shared pictures and the start page
                    href = up + (kind == 97 ? "img/note.png" : "index.html");
                }
                ++links;
                page += "<p>" + Prose(rnd, 26);
                if (href.size() > 4 && href.compare(href.size() - 4, 4, ".png") == 0)
                    page += "<img src=\"" + href + "\" alt=\"note\"> ";
                else
                    page +=
                        "See <a href=\"" + href + "\">" + kWords[rnd.Below(kWordCount)] + "</a>. ";
                page += Prose(rnd, 6) + "</p>\n";
            }
            page += "<pre class=\"sig\">int " + title + "(const char *s, size_t n);</pre>\n";
            page += "</body></html>\n";
            WriteFile(root / (folder.Path + PageName(f, i)), page);
            site.Pages += 1;
            site.Bytes += static_cast<long long>(page.size());
            site.Links += links;
            site.MissingLinks += missing;
            site.CaseLinks += caseLinks;
        }
    }
    return site;
}

} // namespace parvane::bench
