#include "output/chm_project.h"

#include "model/errors.h"
#include "model/natural_order.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace parvane {

const char* const kHtmlHelpNotCreatedQuestion = "Html Help file hasn't been created, create it?";

namespace {

const char* const kCrLf = "\r\n";

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One value on one line of the .hhp: a line break inside a title must not start a line.
std::string OneLine(std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

// Collects a file's bytes: text goes into the code page, file paths stay the bytes the
// file system knows (the compiler looks them up as they are, and names inside a .chm are
// UTF-8 anyway).
class TEncodedText {
public:
    TEncodedText(std::string codePage, bool htmlReferences)
        : codePage_(std::move(codePage)), htmlReferences_(htmlReferences) {}

    TEncodedText& Text(std::string_view utf8) {
        if (IsAscii(utf8))
            out_ += utf8;
        else
            out_ += TextCodec::FromUtf8(utf8, codePage_, htmlReferences_);
        return *this;
    }
    TEncodedText& Raw(std::string_view bytes) {
        out_ += bytes;
        return *this;
    }
    TEncodedText& Line(std::string_view utf8 = {}) { return Text(utf8).Raw(kCrLf); }
    std::string Take() { return std::move(out_); }

private:
    std::string codePage_;
    bool htmlReferences_;
    std::string out_;
};

// A sitemap body: every line converted, except the addresses of the Local lines.
void AppendSitemap(TEncodedText& out, std::string_view body) {
    static constexpr std::string_view kLocal = "<param name=\"Local\" value=\"";
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        end = end == std::string_view::npos ? body.size() : end + 1;
        const std::string_view line = body.substr(start, end - start);
        if (line.substr(0, kLocal.size()) == kLocal)
            out.Raw(line);
        else
            out.Text(line);
        start = end;
    }
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

bool IsProjectFileKind(const std::string& name) {
    const std::string ext = StringFunc::AsciiLowerCase(Paths::ExtractFileExt(name));
    return ext == ".hhp" || ext == ".hhc" || ext == ".hhk" || ext == ".log" || ext == ".chm" ||
           ext == ".h";
}

// Appends the files below folder (relative names prefixed by prefix) in name order
// (natural_order.h), entering sub-folders where they come. Links to folders are not followed, so a loop of
// links cannot make the scan endless.
void ScanFolder(const fs::path& folder, const std::string& prefix, std::vector<std::string>& out) {
    std::error_code ec;
    struct TEntry {
        std::string name;
        std::string folded; // the key of the name order
        bool isFolder;
    };
    std::vector<TEntry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        if (isFolder && it->is_symlink(typeError))
            continue;
        std::string name = it->path().filename().string();
        std::string folded = StringFunc::LowerCase(name);
        entries.push_back({std::move(name), std::move(folded), isFolder});
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        return NameKeyLess({a.folded, a.name}, {b.folded, b.name});
    });
    for (const auto& [name, folded, isFolder] : entries) {
        if (isFolder)
            ScanFolder(folder / name, prefix + name + "\\", out);
        else if (!IsProjectFileKind(name) && name != kOutputMarker)
            out.push_back(prefix + name);
    }
}

// Deletes the intermediate files a build named when it ends, however it ends.
class TIntermediateFiles {
public:
    TIntermediateFiles(const TCHMProject& project, bool enabled)
        : project_(project), enabled_(enabled) {}
    ~TIntermediateFiles() {
        if (!enabled_)
            return;
        for (const std::string* name :
             {&project_.LogFileName, &project_.ContentsFileName, &project_.IndexFileName,
              &project_.ProjectFileName, &project_.MapFileName}) {
            if (!name->empty()) {
                std::error_code ec;
                fs::remove(project_.WorkFolder + *name, ec);
            }
        }
    }
    TIntermediateFiles(const TIntermediateFiles&) = delete;
    TIntermediateFiles& operator=(const TIntermediateFiles&) = delete;

private:
    const TCHMProject& project_;
    bool enabled_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    TextCodec::WriteFileAtomic(path, bytes);
}

// A compiled help file starts with the ITSF signature; anything else is not one.
bool IsCompiledHelpFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char signature[4] = {};
    return in.read(signature, 4) && std::string_view(signature, 4) == "ITSF";
}

} // namespace

std::string HexFlags(std::uint32_t value) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + digits;
}

TCHMProject::TCHMProject() {
    Top = 70;
    Left = 100;
    Height = 420;
    Width = 600;
    PaneWidth = 200;
    DefaultTab = 0;
    ShowMSDNMenu = false;
    ShowPanesToolbar = true;
    ShowPane = true;
    HideToolbar = false;
    HideToolbarText = false;
    StayOnTop = false;
    Maximize = false;
    Hide = Locate = Back = bForward = Stop = Refresh = Home = Print = Option = true;
    Jump1 = Jump2 = false;
    AutoShowHide = false;
    AutoSync = false;
    Content = Index = Search = Favorite = true;
    UseFolder = false;
    AutoTrack = SelectRow = false;
    PlusMinus = ShowSelection = ShowRoot = DrawLines = true;
    AutoExpand = RightToLeft = LeftScroll = Border = DialogFrame = RaisedEdge = SunkenEdge =
        SavePosition = false;
    ContentsFont = ",8,0";
    IndexFont = ",8,0";
}

void TCHMProject::ComputeStyles() {
    auto sum = [](std::initializer_list<std::pair<bool, std::uint32_t>> bits) {
        std::uint32_t value = 0;
        for (const auto& [set, bit] : bits)
            if (set)
                value += bit;
        return value;
    };
    ButtonFlags = sum({{Hide, 0x2},
                       {Locate, 0x800},
                       {Back, 0x4},
                       {bForward, 0x8},
                       {Stop, 0x10},
                       {Refresh, 0x20},
                       {Home, 0x40},
                       {Print, 0x2000},
                       {Option, 0x1000},
                       {Jump1, 0x40000},
                       {Jump2, 0x80000}});
    NavFlags = 0x2000 + sum({{ShowMSDNMenu, 0x10000},
                             {HideToolbar, 0x8000},
                             {HideToolbarText, 0x40},
                             {ShowPanesToolbar, 0x20},
                             {AutoShowHide, 0x1},
                             {AutoSync, 0x100},
                             {Search, 0x20400},
                             {Favorite, 0x1000},
                             {SavePosition, 0x40000}});
    WindowStyle = 0xB0000 + (Maximize ? 0x1000000u : 0u);
    ExWindowStyle = StayOnTop ? 0x8 : 0;
    TreeStyle = sum({{AutoTrack, 0x200},
                     {SelectRow, 0x1000},
                     {PlusMinus, 0x1},
                     {ShowSelection, 0x20},
                     {ShowRoot, 0x4},
                     {DrawLines, 0x2},
                     {AutoExpand, 0x400},
                     {Border, 0x800000},
                     {DialogFrame, 0x400000}});
    TreeExStyle = sum(
        {{RightToLeft, 0x2000}, {LeftScroll, 0x4000}, {RaisedEdge, 0x100}, {SunkenEdge, 0x200}});
}

void TCHMProject::ScanFiles() {
    Files.clear();
    std::string sub = StringFunc::ToBackslashes(SubFolder);
    while (!sub.empty() && sub.front() == '\\')
        sub.erase(0, 1);
    if (!sub.empty() && sub.back() != '\\')
        sub += '\\';
    ScanFolder(fs::path(WorkFolder) / Paths::ToNative(sub), sub, Files);
}

void TCHMProject::ComputeFileNames() {
    const std::string name = Paths::ExtractFileName(Paths::ToNative(CompiledFile));
    LogFileName = Paths::ChangeFileExt(name, ".log");
    ContentsFileName = Content ? Paths::ChangeFileExt(name, ".hhc") : "";
    IndexFileName = Index ? Paths::ChangeFileExt(name, ".hhk") : "";
    MapFileName = MapText.empty() ? "" : Paths::ChangeFileExt(name, ".h");
    ProjectFileName = Paths::ChangeFileExt(name, ".hhp");
}

std::string TCHMProject::CodePage() const {
    return TextCodec::CodePageOfLanguage(StringFunc::Trim(Language));
}

std::string TCHMProject::WindowDefinition() const {
    // A double quote would end the quoted field early; the window title gets a single one.
    std::string title = OneLine(Title);
    std::replace(title.begin(), title.end(), '"', '\'');
    const std::string topic = Quoted(OneLine(StringFunc::ToForwardSlashes(DefaultTopic)));
    std::string def;
    def += Quoted(title) + ",";
    def += Quoted(ContentsFileName) + ",";
    def += Quoted(IndexFileName) + ",";
    def += topic + "," + topic + "," + topic + ",";
    def += "\"\",,,";
    def += HexFlags(NavFlags) + ",";
    def += std::to_string(PaneWidth) + ",";
    def += HexFlags(ButtonFlags) + ",";
    def += "[" + std::to_string(Left) + "," + std::to_string(Top) + "," +
           std::to_string(Left + Width) + "," + std::to_string(Top + Height) + "],";
    def += HexFlags(WindowStyle) + ",";
    def += HexFlags(ExWindowStyle) + ",";
    def += ",";
    def += std::string(ShowPane ? "0" : "1") + ",";
    def += std::to_string(DefaultTab) + ",";
    def += ",";
    def += "0,";
    return def;
}

std::string TCHMProject::ProjectFileText() const {
    TEncodedText out(CodePage(), false);
    const std::string topic = OneLine(StringFunc::ToForwardSlashes(DefaultTopic));
    out.Line("[OPTIONS]");
    out.Line("Auto Index=No");
    out.Line("Binary Index=Yes");
    out.Line("Compatibility=1.1 or later");
    out.Text("Compiled file=").Raw(OneLine(compileTo_.empty() ? CompiledFile : compileTo_)).Line();
    out.Text("Contents file=").Raw(ContentsFileName).Line();
    out.Line("Default Font=" + OneLine(Font));
    out.Line("Default Window=main");
    out.Text("Default topic=").Raw(topic).Line();
    out.Line("Display compile progress=No");
    out.Text("Error log file=").Raw(LogFileName).Line();
    out.Line(fullTextSearch_ ? "Full-text search=Yes" : "Full-text search=No");
    out.Text("Index file=").Raw(IndexFileName).Line();
    out.Line("Language=" + OneLine(Language));
    out.Line("Title=" + OneLine(Title));
    out.Line();
    out.Line("[WINDOWS]");
    // The window definition mixes the title (text) with file names (bytes): convert only
    // the title part, which is everything up to the first "," outside the title quotes.
    const std::string def = WindowDefinition();
    const std::size_t titleEnd = def.find("\",") + 2;
    out.Text("main=").Text(def.substr(0, titleEnd)).Raw(def.substr(titleEnd)).Line();
    out.Line();
    out.Line("[FILES]");
    for (const std::string& file : Files)
        out.Raw(file).Line();
    out.Line();
    if (!AliasText.empty()) {
        out.Line("[ALIAS]");
        out.Raw(AliasText);
        out.Line();
    }
    if (!MapText.empty()) {
        out.Line("[MAP]");
        // chmcmd reads the header only when its name is quoted.
        out.Text("#include \"").Raw(MapFileName).Text("\"").Line();
        out.Line();
    }
    return out.Take();
}

namespace {

void AppendSitemapHead(TEncodedText& out) {
    out.Line("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">");
    out.Line("<HTML>");
    out.Line("<HEAD>");
    out.Line("<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">");
    out.Line("<!-- Sitemap 1.0 -->");
    out.Line("</HEAD>");
    out.Line("<BODY>");
}

} // namespace

std::string TCHMProject::ContentsFileText() const {
    TEncodedText out(CodePage(), true);
    AppendSitemapHead(out);
    out.Line("   <OBJECT type=\"text/site properties\"> ");
    out.Line("     <param name=\"FrameName\" value=\"right\">");
    out.Line("     <param name=\"WindowName\" value=\"main\">");
    out.Line("     <param name=\"Font\" value=\"" + StringFunc::HtmlEncode(OneLine(ContentsFont)) +
             "\">");
    out.Line(std::string("     <param name=\"ImageType\" value=\"") +
             (UseFolder ? "Folder" : "Book") + "\">");
    out.Line("     <param name=\"Window Styles\" value=\"" + HexFlags(TreeStyle) + "\">");
    out.Line("     <param name=\"ExWindow Styles\" value=\"" + HexFlags(TreeExStyle) + "\">");
    out.Line("   </OBJECT>");
    AppendSitemap(out, ContentsBody);
    out.Line();
    out.Line("</BODY>");
    out.Line("</HTML>");
    return out.Take();
}

std::string TCHMProject::IndexFileText() const {
    TEncodedText out(CodePage(), true);
    AppendSitemapHead(out);
    AppendSitemap(out, IndexBody);
    out.Line();
    out.Line("</BODY>");
    out.Line("</HTML>");
    return out.Take();
}

std::string TCHMProject::MapFileText() const {
    TEncodedText out(CodePage(), false);
    out.Text(MapText).Line();
    return out.Take();
}

std::string TCHMProject::TargetFile() const {
    const std::string file = OneLine(CompiledFile);
    if (Paths::IsAbsolute(file))
        return Paths::ToNative(file);
    return WorkFolder + Paths::ToNative(file);
}

void TCHMProject::Log(const std::string& line) const {
    if (OnLog)
        OnLog(line);
}

TCHMBuildResult TCHMProject::Build(bool compile, bool view, bool deleteIntermediate) {
    if (StringFunc::Trim(CompiledFile).empty())
        throw EParvaneError("Please specify Compiled file!");
    ComputeStyles();
    Files.clear();
    if (IncludeFolderFiles)
        ScanFiles();
    ComputeFileNames();

    TIntermediateFiles cleanup(*this, deleteIntermediate);
    if (!ContentsFileName.empty())
        WriteFile(WorkFolder + ContentsFileName, ContentsFileText());
    if (!IndexFileName.empty())
        WriteFile(WorkFolder + IndexFileName, IndexFileText());
    if (!MapFileName.empty())
        WriteFile(WorkFolder + MapFileName, MapFileText());
    WriteFile(WorkFolder + ProjectFileName, ProjectFileText());

    TCHMBuildResult result;
    result.Target = TargetFile();
    if (!compile)
        return result;

    // Only an earlier compiled file is ever replaced, and only by a complete new one: the
    // compiler writes beside it, and a failed or missing compiler leaves it as it was.
    if (const std::string problem = CompiledFileTargetProblem(result.Target); !problem.empty()) {
        result.Outcome = CompileOutcome::Failed;
        result.Message = problem;
        return result;
    }
    const std::string compiler = CompilerPath.empty() ? FindHtmlHelpCompiler() : CompilerPath;
    if (compiler.empty()) {
        result.Outcome = CompileOutcome::CompilerMissing;
        result.Message = kCompilerMissingMessage;
        return result;
    }
    TCompiledFileReplacement replacement(result.Target);
    {
        // While it runs the project names the new file; a kept project names the target.
        struct TRestore {
            TCHMProject& Project;
            ~TRestore() {
                Project.compileTo_.clear();
                Project.fullTextSearch_ = true;
            }
        } restore{*this};
        compileTo_ = replacement.NewFile();
        WriteFile(WorkFolder + ProjectFileName, ProjectFileText());

        bool crashed = false;
        if (!Compile(compiler, result, crashed) && crashed) {
            // chmcmd's text indexer dies on some pages with non-ASCII words; contents, index
            // and pages still make a good help file without the search tab's index.
            Log("The compiler failed while indexing the text; compiling again without "
                "full-text search.");
            fullTextSearch_ = false;
            WriteFile(WorkFolder + ProjectFileName, ProjectFileText());
            result.Message.clear();
            result.WithoutFullTextSearch = Compile(compiler, result, crashed);
        }
        // A kept project is what was compiled, naming the compiled file itself.
        compileTo_.clear();
        if (!deleteIntermediate)
            WriteFile(WorkFolder + ProjectFileName, ProjectFileText());
    }
    if (result.Outcome != CompileOutcome::Compiled)
        return result;

    for (std::string error; !replacement.Replace(error);) {
        const std::string message = "\"" + result.Target +
                                    "\" access denied! It's probably been opend. Please "
                                    "close it and Retry.";
        if (OnRetry && OnRetry(message))
            continue;
        result.Outcome = CompileOutcome::Aborted;
        result.Message = message;
        return result;
    }
    if (view && OnView)
        OnView(result.Target);
    return result;
}

bool TCHMProject::Compile(const std::string& compiler, TCHMBuildResult& result, bool& crashed) {
    Log("Running " + compiler + " " + WorkFolder + ProjectFileName);
    bool accessViolation = false;
    const TCompilerRun run =
        RunHtmlHelpCompiler(compiler, WorkFolder + ProjectFileName, WorkFolder,
                            [this, &accessViolation](const std::string& line) {
                                if (line.find("Access violation") != std::string::npos)
                                    accessViolation = true;
                                Log(line);
                                if (OnProgress)
                                    OnProgress(line);
                            });
    std::error_code ec;
    const std::string& madeAt = compileTo_.empty() ? result.Target : compileTo_;
    const bool made = fs::is_regular_file(madeAt, ec) && IsCompiledHelpFile(madeAt);
    crashed = run.Started && (accessViolation || run.ExitStatus >= 128);
    if (run.Started && run.ExitStatus == 0 && made) {
        result.Outcome = CompileOutcome::Compiled;
        return true;
    }

    // chmcmd can die half-way through writing; what it left is no help file.
    fs::remove(madeAt, ec);
    result.Outcome = CompileOutcome::Failed;
    if (!run.Started)
        result.Message = run.Error;
    else if (run.ExitStatus != 0)
        result.Message = "The HTML Help compiler failed (exit status " +
                         std::to_string(run.ExitStatus) + "); no .chm file was made.";
    else
        result.Message = "The HTML Help compiler did not make \"" + result.Target + "\".";
    return false;
}

std::string CompiledFilePath(const TPvx& project) {
    return ResolveOutputPath(project, project.ProjectSettings.CompiledFile);
}

} // namespace parvane
