#include "settings/app_options.h"

#include "model/errors.h"
#include "model/ini_file.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <unistd.h>

namespace parvane {

namespace SF = StringFunc;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kFontList = "FONTLIST";
constexpr const char* kExternalEditor = "ExternalEditor";

// A signed decimal integer and nothing else.
bool ParseDecimal(std::string_view s, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size())
        return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
        if (v > 0x7FFFFFFFLL + 1)
            return false;
    }
    v = negative ? -v : v;
    if (v > 0x7FFFFFFFLL || v < -0x7FFFFFFFLL - 1)
        return false;
    value = static_cast<int>(v);
    return true;
}

std::vector<std::string> SplitAll(std::string_view s, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(separator, start);
        parts.emplace_back(s.substr(start, p == std::string_view::npos ? p : p - start));
        if (p == std::string_view::npos)
            return parts;
        start = p + 1;
    }
}

// A value on one line of the file: a line break inside would start a new key.
std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

// The list of a section: Count keys named prefix + i. A Count beyond the keys the section
// holds (a damaged file) is cut down so it cannot make the program list millions of rows.
std::vector<std::string> ReadList(const TIniFile& ini, const char* section, const char* prefix) {
    const int count = ini.ReadInteger(section, "Count", 0);
    const int held = static_cast<int>(ini.SectionValues(section).size());
    const int n = std::clamp(count, 0, held);
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        items.push_back(ini.ReadString(section, prefix + std::to_string(i), ""));
    return items;
}

bool IsExecutableFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(std::string_view program) {
    const char* env = std::getenv("PATH");
    const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    for (const std::string& dir : SplitAll(path, ':')) {
        if (dir.empty() || dir[0] != '/')
            continue;
        const std::string candidate = Paths::IncludeTrailingSlash(dir) + std::string(program);
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    if (a == b)
        return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// A desktop entry's string escapes: \s \n \t \r \\.
std::string UnescapeDesktopString(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += s[i];
        }
    }
    return out;
}

// Splits an Exec line into arguments: blanks separate, double quotes group, and inside
// quotes a backslash takes the next character literally.
std::vector<std::string> SplitExec(std::string_view exec) {
    std::vector<std::string> args;
    std::string current;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size())
                current += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord)
                args.push_back(std::move(current));
            current.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = inWord = true;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord)
        args.push_back(std::move(current));
    return args;
}

std::vector<std::string> SplitList(std::string_view value) {
    std::vector<std::string> items;
    for (std::string& item : SplitAll(value, ';')) {
        std::string t = SF::Trim(item);
        if (!t.empty())
            items.push_back(std::move(t));
    }
    return items;
}

bool ListHas(const std::vector<std::string>& list, std::string_view item) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& s) { return SF::SameText(s, item); });
}

std::string MimeOfExtension(std::string_view extension) {
    std::string ext = SF::AsciiLowerCase(extension);
    if (!ext.empty() && ext[0] != '.')
        ext.insert(0, ".");
    if (ext == ".htm" || ext == ".html" || ext == ".shtml")
        return "text/html";
    if (ext == ".xhtml" || ext == ".xht")
        return "application/xhtml+xml";
    return {};
}

// How well a program suits as the automatic default: a well-known HTML editor beats a
// well-known text editor; anything else is no candidate.
int DefaultEditorRank(std::string_view entry) {
    static const std::set<std::string> htmlEditors = {"bluefish", "bluegriffon", "kompozer",
                                                      "seamonkey"};
    static const std::set<std::string> textEditors = {
        "gedit",   "gnome-text-editor", "kate",  "kwrite", "mousepad", "pluma",    "xed",
        "leafpad", "featherpad",        "geany", "code",   "codium",   "notepadqq"};
    const std::string name = SF::AsciiLowerCase(Paths::ExtractFileName(ExtractProgramPath(entry)));
    if (htmlEditors.count(name))
        return 2;
    if (textEditors.count(name))
        return 1;
    return 0;
}

std::string DesktopFileId(const fs::path& file, const fs::path& dir) {
    std::string id = file.lexically_relative(dir).generic_string();
    std::replace(id.begin(), id.end(), '/', '-');
    return id;
}

} // namespace

// ---- the source font ---------------------------------------------------------------------

std::string FontToString(const TSourceFont& font) {
    std::string styles;
    if (font.Bold)
        styles += 'B';
    if (font.Italic)
        styles += 'I';
    if (font.Underline)
        styles += 'U';
    if (font.StrikeOut)
        styles += 'S';
    return font.Name + "," + std::to_string(font.Size) + "," + std::to_string(font.Color) + ",[" +
           styles + "]";
}

bool ApplyFontString(std::string_view text, TSourceFont& font) {
    const std::vector<std::string> parts = SplitAll(text, ',');
    if (parts.size() != 4)
        return false;
    font.Name = parts[0];
    int value = 0;
    if (ParseDecimal(SF::Trim(parts[1]), value) && value >= 1)
        font.Size = value;
    if (ParseDecimal(SF::Trim(parts[2]), value))
        font.Color = value;
    const std::string& styles = parts[3];
    font.Bold = styles.find('B') != std::string::npos;
    font.Italic = styles.find('I') != std::string::npos;
    font.Underline = styles.find('U') != std::string::npos;
    font.StrikeOut = styles.find('S') != std::string::npos;
    return true;
}

int ColorValueFromRgb(int red, int green, int blue) {
    return std::clamp(red, 0, 255) | (std::clamp(green, 0, 255) << 8) |
           (std::clamp(blue, 0, 255) << 16);
}

bool ColorValueToRgb(int value, int& red, int& green, int& blue) {
    if (value < 0)
        return false;
    red = value & 0xFF;
    green = (value >> 8) & 0xFF;
    blue = (value >> 16) & 0xFF;
    return true;
}

// ---- options.ini -----------------------------------------------------------------------------

std::string UserOptionsFile() {
    return Paths::UserConfigDir() + "options.ini";
}

std::string ProgramOptionsFile() {
    return Paths::AppDir() + "/options.ini";
}

bool IsFirstStart() {
    std::error_code ec;
    return !fs::exists(UserOptionsFile(), ec);
}

TAppOptions ParseOptions(const TIniFile& ini) {
    TAppOptions o;
    o.SourceFont = ini.ReadString(kGeneral, "SourceFont", "");
    o.PreviewWithTemplate = ini.ReadBool(kGeneral, "PreviewWithTemplate", true);
    o.Fonts = ReadList(ini, kFontList, "Font");
    o.DefaultEditor = ini.ReadString(kExternalEditor, "Default", "");
    o.Editors = ReadList(ini, kExternalEditor, "Editor");
    return o;
}

TAppOptions ReadOptionsFile(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec))
        return {};
    try {
        return ParseOptions(TIniFile::FromFile(path));
    } catch (const EParvaneError&) {
        return {};
    }
}

TAppOptions LoadOptions() {
    std::error_code ec;
    const std::string user = UserOptionsFile();
    if (fs::is_regular_file(user, ec))
        return ReadOptionsFile(user);
    return ReadOptionsFile(ProgramOptionsFile());
}

std::string OptionsToText(const TAppOptions& options) {
    std::string text;
    const auto line = [&](std::string_view s) {
        text += s;
        text += "\r\n";
    };
    line("[General]");
    line("SourceFont=" + OneLine(options.SourceFont));
    line(std::string("PreviewWithTemplate=") + (options.PreviewWithTemplate ? "1" : "0"));
    line("");
    line("[FONTLIST]");
    line("Count=" + std::to_string(options.Fonts.size()));
    for (std::size_t i = 0; i < options.Fonts.size(); ++i)
        line("Font" + std::to_string(i) + "=" + OneLine(options.Fonts[i]));
    line("");
    line("[ExternalEditor]");
    line("Default=" + OneLine(options.DefaultEditor));
    line("Count=" + std::to_string(options.Editors.size()));
    for (std::size_t i = 0; i < options.Editors.size(); ++i)
        line("Editor" + std::to_string(i) + "=" + OneLine(options.Editors[i]));
    line("");
    return text;
}

void SaveOptions(const TAppOptions& options, const std::string& path) {
    const std::string folder = Paths::ExtractFilePath(path);
    if (!folder.empty()) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            throw EParvaneError("Cannot create the folder \"" + folder + "\": " + ec.message());
    }
    TextCodec::WriteFileAtomic(path, OptionsToText(options));
}

std::vector<std::string> FontBoxItems(const TAppOptions& options) {
    std::vector<std::string> items = options.Fonts;
    items.emplace_back(OptionsTexts::EditListItem);
    return items;
}

// ---- lists with selected rows ------------------------------------------------------------

TSelectableList::TSelectableList(std::vector<std::string> items)
    : Items(std::move(items)), Selected(Items.size(), false) {}

void TSelectableList::ClearSelection() {
    Selected.assign(Items.size(), false);
}

namespace {

void NormaliseFlags(TSelectableList& list) {
    list.Selected.resize(list.Items.size(), false);
}

void SwapRows(TSelectableList& list, std::size_t a, std::size_t b) {
    std::swap(list.Items[a], list.Items[b]);
    const bool flag = list.Selected[a];
    list.Selected[a] = list.Selected[b];
    list.Selected[b] = flag;
}

bool AlphaLess(const std::string& a, const std::string& b) {
    return SF::CompareText(a, b) < 0;
}

} // namespace

void MoveSelectedUp(TSelectableList& list) {
    NormaliseFlags(list);
    for (std::size_t i = 1; i < list.Items.size(); ++i) {
        if (list.Selected[i] && !list.Selected[i - 1])
            SwapRows(list, i, i - 1);
    }
}

void MoveSelectedDown(TSelectableList& list) {
    NormaliseFlags(list);
    for (std::size_t i = list.Items.size(); i-- > 1;) {
        if (list.Selected[i - 1] && !list.Selected[i])
            SwapRows(list, i - 1, i);
    }
}

void DeleteSelected(TSelectableList& list) {
    NormaliseFlags(list);
    const auto first = std::find(list.Selected.begin(), list.Selected.end(), true);
    if (first == list.Selected.end())
        return;
    const std::size_t position = static_cast<std::size_t>(first - list.Selected.begin());
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < list.Items.size(); ++i) {
        if (!list.Selected[i])
            kept.push_back(std::move(list.Items[i]));
    }
    list.Items = std::move(kept);
    list.ClearSelection();
    if (!list.Items.empty())
        list.Selected[std::min(position, list.Items.size() - 1)] = true;
}

void SortItems(TSelectableList& list) {
    NormaliseFlags(list);
    std::vector<std::pair<std::string, bool>> rows;
    for (std::size_t i = 0; i < list.Items.size(); ++i)
        rows.emplace_back(std::move(list.Items[i]), list.Selected[i]);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return AlphaLess(a.first, b.first); });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        list.Items[i] = std::move(rows[i].first);
        list.Selected[i] = rows[i].second;
    }
}

void MoveRows(TSelectableList& from, TSelectableList& to, bool all, bool keepSorted) {
    NormaliseFlags(from);
    NormaliseFlags(to);
    to.ClearSelection();
    std::vector<std::string> stay;
    for (std::size_t i = 0; i < from.Items.size(); ++i) {
        if (all || from.Selected[i]) {
            to.Items.push_back(std::move(from.Items[i]));
            to.Selected.push_back(true);
        } else {
            stay.push_back(std::move(from.Items[i]));
        }
    }
    from.Items = std::move(stay);
    from.ClearSelection();
    if (keepSorted)
        SortItems(to);
}

std::vector<std::string> AvailableFonts(std::vector<std::string> installed,
                                        const std::vector<std::string>& current) {
    std::set<std::string> taken;
    for (const std::string& font : current)
        taken.insert(SF::LowerCase(font));
    std::erase_if(installed,
                  [&](const std::string& font) { return taken.count(SF::LowerCase(font)) > 0; });
    std::stable_sort(installed.begin(), installed.end(), AlphaLess);
    return installed;
}

// ---- external editors ---------------------------------------------------------------------

std::string ExtractProgramPath(std::string_view commandLine) {
    std::size_t i = 0;
    while (i < commandLine.size() && commandLine[i] == ' ')
        ++i;
    std::string path;
    bool quoted = false;
    for (; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == ' ' && !quoted)
            break;
        else
            path += c;
    }
    return path;
}

std::string EditorProgramPath(std::string_view entry) {
    const std::string program = Paths::ExpandHome(ExtractProgramPath(entry));
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program;
    return FindOnPath(program);
}

bool EditorProgramExists(std::string_view entry) {
    const std::string path = EditorProgramPath(entry);
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::vector<std::string> DesktopApplicationDirs() {
    std::vector<std::string> dirs;
    const auto add = [&](const std::string& base) {
        if (base.empty() || base[0] != '/')
            return;
        const std::string dir = Paths::IncludeTrailingSlash(base) + "applications/";
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(dir);
    };
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    add(dataHome && dataHome[0] == '/' ? std::string(dataHome)
                                       : Paths::HomeFolder() + ".local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string list =
        dataDirs && *dataDirs ? std::string(dataDirs) : "/usr/local/share:/usr/share";
    for (const std::string& dir : SplitAll(list, ':'))
        add(dir);
    return dirs;
}

std::string DesktopExecToEntry(std::string_view exec, std::string_view name,
                               std::string_view desktopFile) {
    std::vector<std::string> args;
    for (const std::string& raw : SplitExec(UnescapeDesktopString(exec))) {
        if (raw == "%i")
            continue; // the icon option is for launchers, not for opening a file
        std::string arg;
        bool onlyCodes = true;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%' || i + 1 == raw.size()) {
                arg += raw[i];
                onlyCodes = false;
                continue;
            }
            switch (raw[++i]) {
            case '%':
                arg += '%';
                onlyCodes = false;
                break;
            case 'f':
            case 'F':
            case 'u':
            case 'U':
                arg += "%1";
                onlyCodes = false;
                break;
            case 'c':
                arg += name;
                onlyCodes = false;
                break;
            case 'k':
                arg += desktopFile;
                onlyCodes = false;
                break;
            default:
                break; // deprecated and unknown codes expand to nothing
            }
        }
        if (!(arg.empty() && onlyCodes))
            args.push_back(std::move(arg));
    }
    if (args.empty())
        return {};
    // An editor entry cannot hold a double quote inside an argument.
    for (const std::string& arg : args) {
        if (arg.find('"') != std::string::npos)
            return {};
    }
    if (args[0].find('/') == std::string::npos) {
        if (std::string found = FindOnPath(args[0]); !found.empty())
            args[0] = std::move(found);
    }
    if (args.size() == 2 && args[1] == "%1" && args[0].find(' ') == std::string::npos)
        return args[0];
    std::string entry;
    for (const std::string& arg : args) {
        if (!entry.empty())
            entry += ' ';
        if (arg.empty() || arg.find(' ') != std::string::npos)
            entry += '"' + arg + '"';
        else
            entry += arg;
    }
    return entry;
}

std::vector<TDesktopApp> ReadDesktopApps(std::string_view mimeType) {
    std::vector<TDesktopApp> apps;
    std::set<std::string> seen;
    for (const std::string& dir : DesktopApplicationDirs()) {
        std::error_code ec;
        if (!fs::is_directory(dir, ec))
            continue;
        std::vector<fs::path> files;
        for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->path().extension() == ".desktop" && it->is_regular_file(ec))
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const std::string id = DesktopFileId(file, dir);
            if (!seen.insert(id).second)
                continue; // an earlier folder's entry of the same id wins, even a hidden one
            TIniFile ini;
            try {
                ini = TIniFile::FromFile(file.string());
            } catch (const EParvaneError&) {
                continue;
            }
            constexpr const char* group = "Desktop Entry";
            if (!SF::SameText(ini.ReadString(group, "Type", ""), "Application") ||
                SF::SameText(ini.ReadString(group, "Hidden", ""), "true"))
                continue;
            const std::string tryExec = UnescapeDesktopString(ini.ReadString(group, "TryExec", ""));
            if (!tryExec.empty() && !EditorProgramExists("\"" + tryExec + "\""))
                continue;
            TDesktopApp app;
            app.MimeTypes = SplitList(ini.ReadString(group, "MimeType", ""));
            if (!mimeType.empty() && !ListHas(app.MimeTypes, mimeType))
                continue;
            app.Id = id;
            app.File = file.string();
            app.Name = UnescapeDesktopString(ini.ReadString(group, "Name", ""));
            app.Icon = UnescapeDesktopString(ini.ReadString(group, "Icon", ""));
            app.Categories = SplitList(ini.ReadString(group, "Categories", ""));
            app.Entry = DesktopExecToEntry(ini.ReadString(group, "Exec", ""), app.Name, app.File);
            if (app.Entry.empty())
                continue;
            if (EditorProgramExists(app.Entry))
                app.Program = EditorProgramPath(app.Entry);
            apps.push_back(std::move(app));
        }
    }
    return apps;
}

void DetectHtmlEditors(std::string_view extension, std::vector<std::string>& out) {
    const std::string mime = MimeOfExtension(extension);
    if (mime.empty())
        return;
    for (const TDesktopApp& app : ReadDesktopApps(mime)) {
        // Browsers open pages but do not edit them.
        if (!ListHas(app.Categories, "WebBrowser"))
            out.push_back(app.Entry);
    }
}

TDetectedEditors ChooseDetectedEditors(std::vector<std::string> detected) {
    std::sort(detected.begin(), detected.end(), [](const std::string& a, const std::string& b) {
        const int c = SF::CompareText(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    detected.erase(std::unique(detected.begin(), detected.end()), detected.end());
    TDetectedEditors result;
    int bestRank = 0;
    for (std::string& entry : detected) {
        if (!EditorProgramExists(entry))
            continue;
        const int rank = DefaultEditorRank(entry);
        if (rank > 0 && rank >= bestRank) {
            bestRank = rank;
            result.Default = entry;
        }
        result.Editors.push_back(std::move(entry));
    }
    return result;
}

int AppendDetectedEditors(std::vector<std::string>& list, const std::vector<std::string>& found) {
    int added = 0;
    for (const std::string& entry : found) {
        if (!EditorProgramExists(entry) || std::find(list.begin(), list.end(), entry) != list.end())
            continue;
        list.push_back(entry);
        ++added;
    }
    return added;
}

TAppOptions DetectAndStoreEditors(const std::string& path) {
    std::error_code ec;
    TAppOptions options = fs::is_regular_file(path, ec) ? ReadOptionsFile(path)
                                                        : ReadOptionsFile(ProgramOptionsFile());
    std::vector<std::string> detected;
    DetectHtmlEditors(".htm", detected);
    DetectHtmlEditors(".html", detected);
    TDetectedEditors chosen = ChooseDetectedEditors(std::move(detected));
    options.Editors = std::move(chosen.Editors);
    options.DefaultEditor = std::move(chosen.Default);
    SaveOptions(options, path);
    return options;
}

std::string GetProgramDescription(std::string_view programPath) {
    const std::string path(programPath);
    for (const TDesktopApp& app : ReadDesktopApps()) {
        if (SameFile(app.Program, path))
            return app.Name;
    }
    return {};
}

TEditorInfo DescribeEditor(std::string_view entry) {
    return DescribeEditor(entry, ReadDesktopApps());
}

TEditorInfo DescribeEditor(std::string_view entry, const std::vector<TDesktopApp>& apps) {
    for (const TDesktopApp& app : apps) {
        if (app.Entry == entry)
            return {app.Name, app.Icon};
    }
    const std::string program = EditorProgramPath(entry);
    for (const TDesktopApp& app : apps) {
        if (SameFile(app.Program, program))
            return {app.Name, app.Icon};
    }
    return {};
}

std::string EditorMenuCaption(std::string_view entry, std::string_view description) {
    if (!description.empty())
        return OptionsTexts::EditWith + std::string(description);
    return OptionsTexts::EditWith + Paths::ExtractFileName(ExtractProgramPath(entry));
}

} // namespace parvane
