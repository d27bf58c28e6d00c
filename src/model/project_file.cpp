#include "model/project_file.h"

#include "model/errors.h"
#include "model/ini_file.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace parvane {

namespace {

using P = TProjectSettings;

constexpr std::string_view kGeneral = "GENERAL";
constexpr std::string_view kTopics = "TOPICS";
constexpr std::string_view kKeywordSeparator = "`\\";
constexpr std::string_view kCrLf = "\r\n";

// One [GENERAL] key: its field and the value a file without the key gives.
struct GeneralKey {
    const char* name;
    std::variant<std::string P::*, bool P::*, int P::*> field;
    const char* stringDefault = "";
    bool boolDefault = false;
    int intDefault = 0;
    // A key added later is written only when its value is not the default, so a project
    // that does not use it is saved exactly as before.
    bool writtenWhenSet = false;
};

GeneralKey Str(const char* name, std::string P::*field, const char* def = "") {
    return {name, field, def};
}
GeneralKey Bool(const char* name, bool P::*field, bool def) {
    return {name, field, "", def};
}
GeneralKey Int(const char* name, int P::*field, int def) {
    return {name, field, "", false, def};
}
GeneralKey Later(GeneralKey key) {
    key.writtenWhenSet = true;
    return key;
}

// In file order.
const GeneralKey kGeneralKeys[] = {
    Str("Title", &P::Title),
    Str("RootDir", &P::RootDir),
    Str("DefaultTopic", &P::DefaultTopic),
    Str("CompiledFile", &P::CompiledFile),
    Str("CustomTemplate", &P::CustomTemplate),
    Bool("DefaultTemplate", &P::DefaultTemplate, true),
    Str("Encoding", &P::Encoding),
    Str("Language", &P::Language),
    Bool("DeleteProject", &P::DeleteProject, true),
    Bool("ViewCompiledFile", &P::ViewCompiledFile, true),
    Int("HasChild", &P::HasChild, 0),
    Int("NoChild", &P::NoChild, 10),
    Str("HtmlHelpTemplate", &P::HtmlHelpTemplate),
    Str("HtmlHelpTitle", &P::HtmlHelpTitle),
    Bool("HtmlHelpTitleSame", &P::HtmlHelpTitleSame, true),
    Str("WebHelpDefault", &P::WebHelpDefault),
    Str("WebHelpOutputFolder", &P::WebHelpOutputFolder),
    Str("WebHelpTemplate", &P::WebHelpTemplate),
    Str("WebHelpTitle", &P::WebHelpTitle),
    Bool("WebHelpDefaultSame", &P::WebHelpDefaultSame, true),
    Bool("WebHelpTemplateSame", &P::WebHelpTemplateSame, true),
    Bool("WebHelpTilteSame", &P::WebHelpTilteSame, true),
    Bool("StartFromRoot", &P::StartFromRoot, true),
    Bool("AutoCollapse", &P::AutoCollapse, true),
    Bool("DrawLines", &P::DrawLines, true),
    Str("SingleHtmlFilename", &P::SingleHtmlFilename),
    Str("SingleHtmlOutputFolder", &P::SingleHtmlOutputFolder),
    Str("SingleHtmlTitle", &P::SingleHtmlTitle),
    Bool("SingleHtmlHasToc", &P::SingleHtmlHasToc, true),
    Bool("SingleHtmlSame", &P::SingleHtmlSame, true),
    Int("HeadProperties", &P::HeadProperties, 1),
    Int("PageProperties", &P::PageProperties, 1),
    Bool("RealColorIcon", &P::RealColorIcon, false),
    Bool("ShowIndex", &P::ShowIndex, true),
    Int("NavWidth", &P::NavWidth, 250),
    Str("WebFontColor", &P::WebFontColor, "#ffffff"),
    Str("WebBackColor", &P::WebBackColor, "#003366"),
    Str("HHPFolder", &P::HHPFolder),
    Later(Bool("CopyAllFiles", &P::CopyAllFiles, false)),

    Bool("WebHelpSearch", &P::WebHelpSearch, true),
    Later(Str("PdfFile", &P::PdfFile)),
    Later(Str("PdfPageSize", &P::PdfPageSize, kDefaultPdfPageSize)),
    Later(Int("PdfMargin", &P::PdfMargin, kDefaultPdfMargin)),
    Later(Str("EpubFile", &P::EpubFile)),
    Later(Str("QtHelpFile", &P::QtHelpFile)),
};

// Values no build could use (a hand edit, a newer writer) load as the defaults.
void NormaliseOutputSettings(TProjectSettings& s) {
    s.PdfPageSize = PdfPageSizeName(s.PdfPageSize);
    if (s.PdfPageSize.empty())
        s.PdfPageSize = kDefaultPdfPageSize;
    if (s.PdfMargin < 0 || s.PdfMargin > kMaxPdfMargin)
        s.PdfMargin = kDefaultPdfMargin;
}

// The ten lines of a topic, in file order.
enum TopicField {
    tfTitle,
    tfLevel,
    tfUrl,
    tfIcon,
    tfStatus,
    tfKeywords,
    tfContextNumber,
    tfApplyTemp,
    tfExpanded,
    tfKind,
    TopicFieldCount
};
constexpr std::string_view kTopicPrefixes[TopicFieldCount] = {
    "TitleList.Title.",         "TitleList.Level.",     "TitleList.Url.",
    "TitleList.Icon.",          "TitleList.Status.",    "TitleList.Keywords.",
    "TitleList.ContextNumber.", "TitleList.ApplyTemp.", "TitleList.Expanded.",
    "TitleList.Kind.",
};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithAsciiNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    if (std::memcmp(s.data(), prefix.data(), prefix.size()) == 0)
        return true; // the usual case: in the letter case the program writes
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(s[i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

// Replaces every "$AppDir$", in any letter case, by the program folder.
std::string ExpandAppDir(std::string_view value) {
    constexpr std::string_view marker = "$appdir$";
    std::string out;
    std::size_t pos = 0;
    while (pos < value.size()) {
        if (value[pos] == '$' && StartsWithAsciiNoCase(value.substr(pos), marker)) {
            out += Paths::ExcludeTrailingSlash(Paths::AppDir());
            pos += marker.size();
        } else {
            out.push_back(value[pos++]);
        }
    }
    return out;
}

std::string ReplaceAllOf(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos) {
            out.append(s.substr(pos));
            return out;
        }
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
}

// Any line break of the record (CR LF, or a lone CR or LF from an editor) separates two
// keywords; written, all keywords of a topic stand on one line.
std::string EncodeKeywords(std::string_view keywords) {
    std::string out;
    out.reserve(keywords.size());
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        const char c = keywords[i];
        if (c == '\r' || c == '\n') {
            out.append(kKeywordSeparator);
            if (c == '\r' && i + 1 < keywords.size() && keywords[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Appends "key=value" and CR LF. A line break inside a value would cut the file's line
// structure (a title could forge topic lines), so it is written as a blank.
void AppendLine(std::string& out, std::string_view key, std::string_view value) {
    out.append(key);
    out.push_back('=');
    for (const char c : value)
        out.push_back(c == '\r' || c == '\n' ? ' ' : c);
    out.append(kCrLf);
}

void AppendNumber(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    return p.lexically_normal().string();
}

// The project file's folder, native with trailing "/".
std::string FolderOf(const std::string& absolutePath) {
    return Paths::IncludeTrailingSlash(Paths::ExtractFilePath(absolutePath));
}

// RootDir as read: "$AppDir$" expanded; a relative value lies below the project file's
// folder. A value beginning with "\\" (a network path) or "/" is absolute, as is one
// holding ":". In memory the folder is native and ends with "/".
std::string ResolveRootDir(std::string_view stored, const std::string& projectFolder) {
    std::string root = ExpandAppDir(stored);
    if (!Paths::IsAbsolute(root))
        root = projectFolder + root;
    root = Paths::ToNative(root);
    if (root.find("/..") != std::string::npos || root.find("/./") != std::string::npos)
        root = StringFunc::CollapseDotDot(root);
    return Paths::IncludeTrailingSlash(root);
}

// RootDir as written: relative with "\" when it is the project folder or lies below it
// (empty for the folder itself), absolute otherwise.
std::string StoredRootDir(const std::string& rootDir, const std::string& projectFolder) {
    if (rootDir.empty())
        return {};
    const std::string root = Paths::IncludeTrailingSlash(Paths::ToNative(rootDir));
    if (StartsWithAsciiNoCase(root, projectFolder))
        return StringFunc::ToBackslashes(root.substr(projectFolder.size()));
    return rootDir;
}

// Refuses what is not a project file with a message that says what it is instead: only a
// path where nothing exists "doesn't exist". A pipe is refused before it is opened, since
// opening one waits for a writer.
void CheckProjectFileKind(const std::string& path, const std::string& existing) {
    struct stat st {};
    if (existing.empty() || ::stat(existing.c_str(), &st) != 0) {
        if (!existing.empty() && errno != ENOENT && errno != ENOTDIR)
            throw EParvaneError("Cannot open " + path + ": " + std::strerror(errno) + ".");
        throw EParvaneError(path + " doesn't exist!");
    }
    if (S_ISDIR(st.st_mode))
        throw EParvaneError(path + " is a folder, not a project file.");
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        throw EParvaneError(path + " is a pipe or socket, not a project file.");
    if (!S_ISREG(st.st_mode))
        throw EParvaneError(path + " is a device, not a project file.");
    if (::access(existing.c_str(), R_OK) != 0)
        throw EParvaneError(path + " cannot be read: " + std::strerror(errno) + ".");
}

} // namespace

std::string PdfPageSizeName(std::string_view text) {
    const std::string trimmed = StringFunc::Trim(text);
    if (StringFunc::SameText(trimmed, "A4"))
        return "A4";
    if (StringFunc::SameText(trimmed, "Letter"))
        return "Letter";
    return {};
}

// ---- TPvx -------------------------------------------------------------------------------

TPvx::TPvx(TTopicTree& tree) : tree_(tree) {
    if (tree_.RootCount() != 3)
        tree_.CreateRootGroups();
    ResetToDefaults();
}

void TPvx::ResetToDefaults() {
    ClearTopics();
    ProjectSettings = TProjectSettings();
    TProjectSettings& s = ProjectSettings;
    s.CompiledFile = "unnamed.chm";
    s.Encoding = "Windows-1252";
    s.Language = "0x0409";
    s.WebHelpOutputFolder = Paths::IncludeTrailingSlash(Paths::ExpandHome("~/WebHelp"));
    s.SingleHtmlFilename = "index.htm";
    s.SingleHtmlOutputFolder = Paths::IncludeTrailingSlash(Paths::ExpandHome("~/SingleHTML"));
    s.WebFontColor = "#000000";
    s.WebBackColor = "#DCDBD6";
    HelpWindowSettings.ResetToDefaults();
    Modified = false;
    FileName = "unnamed.pvx";
    IsUntitled = true;
}

void TPvx::ClearTopics() {
    tree_.BeginUpdate();
    for (int i = 0; i < tree_.RootCount(); ++i)
        tree_.DeleteChildren(tree_.Root(i));
    tree_.EndUpdate();
}

void TPvx::LoadFromFile(const std::string& path) {
    const std::string absolute = path.empty() ? path : AbsolutePath(path);
    const std::string existing = absolute.empty() ? "" : Paths::ResolveExisting(absolute);
    CheckProjectFileKind(path, existing);
    // Everything that can fail comes first, so a failed load changes nothing.
    TIniFile ini;
    try {
        ini = TIniFile::FromFile(existing);
    } catch (const std::bad_alloc&) {
        throw EParvaneError("There is not enough memory to load " + path + ".");
    }
    const std::string folder = FolderOf(existing);

    TProjectSettings settings;
    for (const GeneralKey& key : kGeneralKeys) {
        if (auto field = std::get_if<std::string P::*>(&key.field))
            settings.*(*field) = ini.ReadString(kGeneral, key.name, key.stringDefault);
        else if (auto flag = std::get_if<bool P::*>(&key.field))
            settings.*(*flag) = ini.ReadBool(kGeneral, key.name, key.boolDefault);
        else if (auto number = std::get_if<int P::*>(&key.field))
            settings.*(*number) = ini.ReadInteger(kGeneral, key.name, key.intDefault);
    }
    settings.RootDir = ResolveRootDir(settings.RootDir, folder);
    NormaliseOutputSettings(settings);

    tree_.BeginUpdate();
    try {
        ProjectSettings = std::move(settings);
        HelpWindowSettings.ReadFrom(ini);
        ReadTopics(ini);
        Modified = false;
        FileName = existing;
        IsUntitled = false;
        UpdateTopicImages();
        // Only the table of contents is open after a load.
        ContentsRoot()->Expand();
        NonContentsRoot()->Collapse();
        TemplatesRoot()->Collapse();
    } catch (...) {
        tree_.EndUpdate();
        throw;
    }
    tree_.EndUpdate();
    tree_.Select(ContentsRoot());
}

namespace {

// The lines of one topic as read: the value of each of its ten keys, where present.
struct TTopicLines {
    std::uint32_t Number = 0;
    std::uint16_t Present = 0; // bit f: field f was read
    std::string_view Value[TopicFieldCount];

    void Take(int field, std::string_view value) {
        const auto bit = static_cast<std::uint16_t>(1u << field);
        if (Present & bit)
            return; // of two equal keys the first counts
        Present |= bit;
        Value[field] = value;
    }
};

// "TitleList." FIELD "." NUMBER, with FIELD one of the ten (in any letter case) and NUMBER
// as written: no sign, no leading zero. A million keys pass here for a large project, so
// the field is found by its dot, not by trying each prefix.
bool ParseTopicKey(std::string_view key, int& field, std::uint32_t& number) {
    constexpr std::string_view kList = "TitleList.";
    if (!StartsWithAsciiNoCase(key, kList))
        return false;
    const std::size_t dot = key.find('.', kList.size());
    if (dot == std::string_view::npos)
        return false;
    const std::string_view withField = key.substr(0, dot + 1);
    field = -1;
    for (int f = 0; f < TopicFieldCount; ++f) {
        const std::string_view prefix = kTopicPrefixes[f];
        if (prefix.size() == withField.size() && StartsWithAsciiNoCase(withField, prefix)) {
            field = f;
            break;
        }
    }
    if (field < 0)
        return false;
    const std::string_view digits = key.substr(dot + 1);
    if (digits.empty() || (digits.size() > 1 && digits[0] == '0'))
        return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return ec == std::errc() && end == digits.data() + digits.size();
}

// The topics of a [TOPICS] section in number order, each with the lines present: one walk
// over the section's lines in file order (no look-up per key). Only numbers below the
// count are topics; the numbers come from the keys present, so a gap (a hand edit, a
// merge) loses no topic after it and a huge count allocates nothing.
std::vector<TTopicLines> TopicLines(const TIniFile& ini) {
    std::vector<TTopicLines> topics;
    std::optional<std::string_view> countText;
    bool ordered = true;
    ini.ForEachKeyLine(kTopics, [&](std::string_view key, std::string_view value) {
        int field = 0;
        std::uint32_t n = 0;
        if (!ParseTopicKey(key, field, n)) {
            if (!countText && key.size() == 9 && StartsWithAsciiNoCase(key, "TitleList"))
                countText = value;
            return;
        }
        // Written files hold each topic's lines together, in number order.
        if (topics.empty() || topics.back().Number != n) {
            if (!topics.empty() && n < topics.back().Number)
                ordered = false;
            topics.emplace_back().Number = n;
        }
        topics.back().Take(field, value);
    });
    const std::int64_t count = countText ? ParseIniInteger(*countText).value_or(0) : 0;
    if (!ordered) {
        // Lines of one topic scattered over the file: joined, the earlier line winning.
        std::stable_sort(topics.begin(), topics.end(),
                         [](const TTopicLines& a, const TTopicLines& b) { return a.Number < b.Number; });
        std::size_t kept = 0;
        for (std::size_t i = 0; i < topics.size(); ++i) {
            if (kept > 0 && topics[kept - 1].Number == topics[i].Number) {
                for (int f = 0; f < TopicFieldCount; ++f)
                    if (topics[i].Present & (1u << f))
                        topics[kept - 1].Take(f, topics[i].Value[f]);
            } else {
                topics[kept++] = topics[i];
            }
        }
        topics.resize(kept);
    }
    // Sorted: the topics at or above the count are the tail.
    std::size_t below = 0;
    while (below < topics.size() && topics[below].Number < count)
        ++below;
    topics.resize(below);
    return topics;
}

} // namespace

// Files the program writes never hold them, but a damaged or hand-made file may:
// - gaps in the topic numbers: every topic present below the count is read, in number order;
// - a Level below 0 counts as 0;
// - a Level 0 topic whose Kind is not 0, 1 or 2 goes to the table of contents;
// - a topic that needs a parent where there is none (the first topic with a Level above
//   0, or a level climbing above the roots) is placed at Level 0 under its Kind's root.
void TPvx::ReadTopics(const TIniFile& ini) {
    const std::vector<TTopicLines> topics = TopicLines(ini);
    ClearTopics();

    std::int64_t previousLevel = 0;
    TTopicNode* parent = nullptr;
    TTopicNode* last = nullptr;
    std::string title;
    for (const TTopicLines& lines : topics) {
        auto present = [&](TopicField field) { return (lines.Present & (1u << field)) != 0; };
        auto readInt = [&](TopicField field, int def) {
            return present(field) ? ParseIniInteger(lines.Value[field]).value_or(def) : def;
        };
        auto readBool = [&](TopicField field, bool def) {
            if (!present(field))
                return def;
            const std::optional<int> parsed = ParseIniInteger(lines.Value[field]);
            return parsed ? *parsed != 0 : def;
        };
        auto readString = [&](TopicField field) {
            return present(field) ? std::string(lines.Value[field]) : std::string();
        };

        TLeftTreeData data;
        data.Level = std::max(0, readInt(tfLevel, 0));
        data.Url = readString(tfUrl);
        data.Icon = readInt(tfIcon, 0);
        data.Status = readInt(tfStatus, 0);
        if (present(tfKeywords))
            data.Keywords = ReplaceAllOf(lines.Value[tfKeywords], kKeywordSeparator, kCrLf);
        data.ContextNumber = readString(tfContextNumber);
        data.Kind = readInt(tfKind, 0);
        data.ApplyTemp = readBool(tfApplyTemp, false);
        data.Expanded = readBool(tfExpanded, false);

        const std::int64_t level = data.Level;
        if (level > previousLevel)
            parent = last; // one level deeper than the topic before, however far it jumps
        for (std::int64_t up = previousLevel - level; up > 0 && parent; --up)
            parent = parent->Parent();
        TTopicNode* target = parent;
        if (level == 0 || !target) {
            const int kind = data.Kind >= 0 && data.Kind <= 2 ? data.Kind : 0;
            target = tree_.Root(kind);
        }
        title.assign(present(tfTitle) ? lines.Value[tfTitle] : std::string_view());
        TTopicNode* node = tree_.AddChild(target, title);
        // The stored expanded state is applied, so a load and save keep it.
        node->SetExpanded(data.Expanded);
        node->Data() = std::move(data);
        last = node;
        previousLevel = level;
    }
}

std::string TPvx::SaveToText(const std::string& path) const {
    const std::string folder = FolderOf(AbsolutePath(path));
    std::string out;
    out.reserve(4096 + static_cast<std::size_t>(tree_.Count()) * 256);

    out.append("[GENERAL]\r\n");
    for (const GeneralKey& key : kGeneralKeys) {
        if (auto field = std::get_if<std::string P::*>(&key.field)) {
            const std::string& value = ProjectSettings.*(*field);
            if (key.writtenWhenSet && value == key.stringDefault)
                continue;
            AppendLine(out, key.name, *field == &P::RootDir ? StoredRootDir(value, folder) : value);
        } else if (auto flag = std::get_if<bool P::*>(&key.field)) {
            const bool value = ProjectSettings.*(*flag);
            if (key.writtenWhenSet && value == key.boolDefault)
                continue;
            AppendLine(out, key.name, value ? "1" : "0");
        } else if (auto number = std::get_if<int P::*>(&key.field)) {
            const int value = ProjectSettings.*(*number);
            if (key.writtenWhenSet && value == key.intDefault)
                continue;
            AppendLine(out, key.name, std::to_string(value));
        }
    }
    out.append(kCrLf);

    std::vector<std::string> chmLines;
    HelpWindowSettings.WriteTo(chmLines);
    for (const std::string& line : chmLines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            out.append(line);
            out.append(kCrLf);
        } else {
            AppendLine(out, std::string_view(line).substr(0, eq),
                       std::string_view(line).substr(eq + 1));
        }
    }

    out.append("[TOPICS]\r\nTitleList=");
    AppendNumber(out, tree_.Count() - tree_.RootCount());
    out.append(kCrLf);

    // Pre-order with an explicit stack: Level comes from the position, Kind from the root.
    long long topic = 0;
    struct Item {
        const TTopicNode* node;
        int level;
    };
    std::vector<Item> stack;
    auto appendTopicLine = [&](TopicField field, std::string_view value) {
        out.append(kTopicPrefixes[field]);
        AppendNumber(out, topic);
        out.push_back('=');
        for (const char c : value)
            out.push_back(c == '\r' || c == '\n' ? ' ' : c);
        out.append(kCrLf);
    };
    char buffer[24];
    auto numberText = [&](long long value) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
    };
    for (int kind = 0; kind < tree_.RootCount(); ++kind) {
        const TTopicNode* root = tree_.Root(kind);
        for (int i = root->Count() - 1; i >= 0; --i)
            stack.push_back({root->Child(i), 0});
        while (!stack.empty()) {
            const Item item = stack.back();
            stack.pop_back();
            const TTopicNode* node = item.node;
            const TLeftTreeData& data = node->Data();
            appendTopicLine(tfTitle, node->Text());
            appendTopicLine(tfLevel, numberText(item.level));
            appendTopicLine(tfUrl, data.Url);
            appendTopicLine(tfIcon, numberText(data.Icon));
            appendTopicLine(tfStatus, numberText(data.Status));
            appendTopicLine(tfKeywords, EncodeKeywords(data.Keywords));
            appendTopicLine(tfContextNumber, data.ContextNumber);
            appendTopicLine(tfApplyTemp, data.ApplyTemp ? "1" : "0");
            appendTopicLine(tfExpanded, node->Expanded() ? "1" : "0");
            appendTopicLine(tfKind, numberText(kind));
            ++topic;
            for (int i = node->Count() - 1; i >= 0; --i)
                stack.push_back({node->Child(i), item.level + 1});
        }
    }
    out.append(kCrLf);
    return out;
}

void TPvx::SaveToFile(const std::string& path) {
    const std::string absolute = AbsolutePath(path);
    TextCodec::WriteFileAtomic(absolute, SaveToText(absolute));
    // Where a save cannot use an unnamed temporary file, one killed half-way leaves its
    // named one; the next save of the project clears such leftovers away.
    TextCodec::RemoveStaleTemporaries(absolute);
    Modified = false;
    FileName = absolute;
    IsUntitled = false;
}

// ---- images ---------------------------------------------------------------------------

void TPvx::UpdateTopicImages() {
    const std::string htmlHelpTemplate = UrlKey(ProjectSettings.HtmlHelpTemplate);
    const std::string webHelpTemplate = UrlKey(ProjectSettings.WebHelpTemplate);
    std::vector<TTopicNode*> stack;
    const int roots = std::min(tree_.RootCount(), 3);
    for (int kind = 0; kind < roots; ++kind) {
        const TTopicNode* root = tree_.Root(kind);
        for (int i = root->Count() - 1; i >= 0; --i)
            stack.push_back(root->Child(i));
        while (!stack.empty()) {
            TTopicNode* node = stack.back();
            stack.pop_back();
            node->Data().Kind = kind;
            int image = TopicImageIndex(node, kind);
            if (kind == 2) {
                // An empty setting marks no template, not every page without a Url.
                const std::string url = UrlKey(node->Data().Url);
                const bool html = !htmlHelpTemplate.empty() && url == htmlHelpTemplate;
                const bool web = !webHelpTemplate.empty() && url == webHelpTemplate;
                if (html && web)
                    image = imgBothTemplates;
                else if (html)
                    image = imgHtmlHelpTemplate;
                else if (web)
                    image = imgWebHelpTemplate;
            }
            node->SetImage(image);
            for (int i = node->Count() - 1; i >= 0; --i)
                stack.push_back(node->Child(i));
        }
    }
}

int TPvx::TopicImageIndex(const TTopicNode* node, int kind) const {
    const TLeftTreeData& data = node->Data();
    const bool hasChildren = node->HasChildren();
    const bool expanded = node->Expanded();
    if (kind == 1 || kind == 2) {
        if (hasChildren)
            return expanded ? imgGroupOpen : imgGroupClosed;
        return kind == 1 ? imgNonContentsPage : imgTemplatePage;
    }
    const int icon = data.Icon;
    if (!hasChildren)
        return icon >= 1 ? icon - 1 : ProjectSettings.NoChild;
    if (icon >= 1) {
        if (icon <= 8) {
            const int open = icon - ((icon + 1) % 2);
            return expanded ? open : open - 1;
        }
        return icon - 1;
    }
    const int hasChild = ProjectSettings.HasChild;
    if (hasChild >= 0 && hasChild <= 7) {
        const int closed = hasChild - hasChild % 2;
        return expanded ? closed + 1 : closed;
    }
    return hasChild;
}

// ---- addresses --------------------------------------------------------------------------

std::string UrlKey(std::string_view url) {
    return StringFunc::LowerCase(StringFunc::ToBackslashes(url));
}

std::string TPvx::TopicFileName(const TTopicNode* node) const {
    if (!node || node->Data().Url.empty())
        return {};
    return Paths::UrlToPath(ProjectSettings.RootDir, node->Data().Url);
}

bool TPvx::IsDefaultTopic(const TTopicNode* node) const {
    if (!node || node->IsRoot() || ProjectSettings.DefaultTopic.empty())
        return false;
    return UrlKey(node->Data().Url) == UrlKey(ProjectSettings.DefaultTopic);
}

TTopicNode* TPvx::FindTopicByUrl(const std::string& url) const {
    if (url.empty())
        return nullptr;
    const std::string wanted = UrlKey(url);
    for (TTopicNode* node = tree_.GetFirstNode(); node; node = node->GetNext()) {
        if (!node->IsRoot() && !node->Data().Url.empty() && UrlKey(node->Data().Url) == wanted)
            return node;
    }
    return nullptr;
}

TTopicUrlIndex::TTopicUrlIndex(const TTopicTree& tree) {
    byUrl_.reserve(static_cast<std::size_t>(tree.Count()));
    for (TTopicNode* node = tree.GetFirstNode(); node; node = node->GetNext()) {
        if (!node->IsRoot() && !node->Data().Url.empty())
            byUrl_.try_emplace(UrlKey(node->Data().Url), node);
    }
}

TTopicNode* TTopicUrlIndex::Find(std::string_view url) const {
    if (url.empty())
        return nullptr;
    const auto it = byUrl_.find(UrlKey(url));
    return it == byUrl_.end() ? nullptr : it->second;
}

} // namespace parvane
