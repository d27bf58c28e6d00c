// parvane-cli build --htmlhelp, run as a program: on a real folder of HTML documentation
// imported with parvane-cli new --import, and with compilers that fail or are missing.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

class CliHtmlHelp : public ::testing::Test {
protected:
    fs::path temp;

    void SetUp() override {
        temp = fs::temp_directory_path() /
               ("parvane-cli-chm-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(temp);
        fs::create_directories(temp);
    }
    void TearDown() override { fs::remove_all(temp); }

    // Runs a command line with its output captured; env is put in front ("A=b ").
    TRun Shell(const std::string& command, const std::string& env = "") {
        const fs::path out = temp / "stdout";
        const fs::path err = temp / "stderr";
        const std::string line = env + command + " >" + Quoted(out.string()) + " 2>" +
                                 Quoted(err.string()) + " </dev/null";
        const int status = std::system(line.c_str());
        TRun run;
        run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.Out = ReadAll(out);
        run.Err = ReadAll(err);
        return run;
    }
    TRun Cli(const std::string& args, const std::string& env = "") {
        return Shell(Quoted(PARVANE_CLI) + " " + args,
                     "PARVANE_DATA_DIR=" + Quoted(std::string(PARVANE_BINARY_DIR) + "/support") +
                         " " + env);
    }

    // A two-page project made by the command line itself.
    fs::path SmallProject() {
        const fs::path root = temp / "pages";
        fs::create_directories(root);
        std::ofstream(root / "a.htm") << "<html><head><title>A</title></head><body>"
                                         "<a href=\"b.htm\">B</a></body></html>";
        std::ofstream(root / "b.htm") << "<html><head><title>B</title></head><body>b</body></html>";
        const fs::path pvx = temp / "small.pvx";
        const TRun made = Cli("new " + Quoted(root.string()) + " --import --quiet --output " +
                              Quoted(pvx.string()));
        EXPECT_EQ(made.Code, 0) << made.Err;
        return pvx;
    }

    std::string FakeCompiler(const std::string& body) {
        const fs::path path = temp / "fake-chmcmd";
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path.string();
    }
};

bool HaveTools() {
    return std::system("command -v chmcmd >/dev/null && command -v chmls >/dev/null && "
                       "command -v test_chmLib >/dev/null") == 0;
}

// The first folder of HTML documentation installed on this machine.
fs::path DocumentationFolder() {
    for (const char* candidate : {"/usr/share/doc/libffi8/html", "/usr/share/doc/valgrind/html",
                                  "/usr/share/doc/libxslt1-dev/html"}) {
        std::error_code ec;
        if (fs::is_directory(candidate, ec))
            return candidate;
    }
    return {};
}

std::set<std::string> ChmNames(const std::string& listing) {
    std::set<std::string> names;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos)
            end = listing.size();
        std::string line = listing.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        const std::size_t slash = line.find('/');
        if (slash != std::string::npos)
            names.insert(line.substr(slash));
        start = end + 1;
    }
    return names;
}

TEST_F(CliHtmlHelp, ImportedDocumentationCompilesWithEveryPageInside) {
    if (!HaveTools())
        GTEST_SKIP() << "chmcmd, chmls or test_chmLib missing: install fp-utils and libchm-bin";
    const fs::path docs = DocumentationFolder();
    if (docs.empty())
        GTEST_SKIP() << "no HTML documentation below /usr/share/doc on this machine";
    // A copy, so neither the import nor the build can touch the installed files.
    const fs::path root = temp / "docs";
    fs::copy(docs, root, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const fs::path pvx = temp / "docs.pvx";
    TRun run = Cli("new " + Quoted(root.string()) + " --import --quiet --encoding UTF-8 --title " +
                   Quoted("Imported docs") + " --output " + Quoted(pvx.string()));
    ASSERT_EQ(run.Code, 0) << run.Err;

    const fs::path chm = temp / "out" / "docs.chm";
    const fs::path keep = temp / "keep";
    run = Cli("build " + Quoted(pvx.string()) + " --htmlhelp --out " + Quoted(chm.string()) +
              " --keep-project " + Quoted(keep.string()));
    ASSERT_EQ(run.Code, 0) << run.Out << run.Err;
    EXPECT_NE(run.Out.find("Writing CHM"), std::string::npos) << run.Out; // chmcmd's own line
    EXPECT_NE(run.Out.find("Completed."), std::string::npos);
    ASSERT_TRUE(fs::exists(chm));

    const TRun list = Shell("chmls -n list " + Quoted(chm.string()));
    ASSERT_EQ(list.Code, 0);
    const std::set<std::string> names = ChmNames(list.Out);
    // Every imported page is a topic, so every one of them is in the compiled file.
    // Project addresses compare without regard to case, so of two pages whose names differ
    // only in case (libffi ships Index.html and index.html) one stands for both.
    std::map<std::string, std::vector<std::string>> pagesByKey;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".html" && ext != ".htm"))
            continue;
        const std::string rel = "/" + entry.path().lexically_relative(root).generic_string();
        std::string key = rel;
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        pagesByKey[key].push_back(rel);
    }
    std::string onePage;
    for (const auto& [key, rels] : pagesByKey) {
        const bool inside = std::any_of(rels.begin(), rels.end(),
                                        [&](const std::string& r) { return names.count(r) > 0; });
        EXPECT_TRUE(inside) << rels.front() << " is not in the .chm";
        if (onePage.empty() && rels.size() == 1)
            onePage = rels.front();
    }
    EXPECT_GT(pagesByKey.size(), 3u);
    EXPECT_TRUE(names.count("/docs.hhc"));
    EXPECT_TRUE(names.count("/docs.hhk"));

    const fs::path extracted = temp / "page.out";
    ASSERT_EQ(Shell("test_chmLib " + Quoted(chm.string()) + " " + Quoted(onePage) + " " +
                    Quoted(extracted.string()))
                  .Code,
              0);
    EXPECT_EQ(ReadAll(extracted), ReadAll(keep.string() + onePage));
}

TEST_F(CliHtmlHelp, ACompilerThatFailsGivesANonZeroExitAndNoChm) {
    const fs::path pvx = SmallProject();
    const fs::path chm = temp / "small.chm";
    const std::string fake = FakeCompiler("printf 'gar\\377bage\\n'; exit 2");
    const TRun run =
        Cli("build " + Quoted(pvx.string()) + " --htmlhelp --out " + Quoted(chm.string()),
            "PARVANE_CHMCMD=" + Quoted(fake) + " ");
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Out.find("gar?bage"), std::string::npos) << run.Out;
    EXPECT_NE(run.Err.find("exit status 2"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out.find("Completed."), std::string::npos);
    EXPECT_FALSE(fs::exists(chm));
}

TEST_F(CliHtmlHelp, ProgressIsWrittenOutWhileTheCompilerRuns) {
    // The lines are written in batches; a line before a long silent step must still reach
    // a file or a pipe while that step runs, not when the build ends. The compiler here
    // waits up to five seconds for "Compiling..." to be in the command's output file.
    const fs::path pvx = SmallProject();
    const std::string out = Quoted((temp / "stdout").string());
    const std::string fake = FakeCompiler(
        "for i in $(seq 50); do\n"
        "  if grep -q 'Compiling' " + out + "; then echo 'progress seen'; exit 3; fi\n"
        "  sleep 0.1\n"
        "done\n"
        "echo 'progress not seen'; exit 3");
    const TRun run = Cli("build " + Quoted(pvx.string()) + " --htmlhelp --out " +
                             Quoted((temp / "small.chm").string()),
                         "PARVANE_CHMCMD=" + Quoted(fake) + " ");
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Out.find("progress seen"), std::string::npos) << run.Out;
    // Everything said before the compiler comes before its lines, and the failure last.
    EXPECT_LT(run.Out.find("Preparing files..."), run.Out.find("progress seen")) << run.Out;
    EXPECT_NE(run.Err.find("exit status 3"), std::string::npos) << run.Err;
}

TEST_F(CliHtmlHelp, AMissingCompilerNamesThePackageToInstall) {
    const fs::path pvx = SmallProject();
    const TRun run = Cli("build " + Quoted(pvx.string()) + " --htmlhelp --out " +
                             Quoted((temp / "small.chm").string()),
                         "PARVANE_CHMCMD=" + Quoted((temp / "none").string()) + " ");
    EXPECT_EQ(run.Code, 1);
    EXPECT_NE(run.Err.find("fp-utils"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(temp / "small.chm"));
}

} // namespace
