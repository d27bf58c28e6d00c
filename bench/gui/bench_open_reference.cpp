// The desktop application on a large generated API reference (see ../reference_site.h):
// opening the imported project until the tree is painted, selecting topics, and a Web Help
// build started from the window, during which the window's event loop is watched for
// stalls (a 10 ms timer; the longest gap between its ticks is the longest freeze).
//
//     bench_open_reference [PAGES] [--dir DIR]      (default 5,000 pages; the scale figure
//                                                    uses 50000)

#include "../reference_site.h"
#include "model/project_file.h"
#include "output/gui/build_commands.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/user_settings.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

// Says yes to everything and accepts every dialog: the build dialog starts the build.
class TAgreeingDialogs : public IDialogs {
public:
    TAnswer Ask(const QString&, TButtons, const QString&) override { return TAnswer::Yes; }
    void Error(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString OpenFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString SelectFolder(const QString&, const QString&) override { return {}; }
    int Exec(QDialog&) override { return QDialog::Accepted; }
    void OpenWithDesktop(const QString&) override {}
};

double Timed(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    QApplication::processEvents(); // the repaint
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

bool RunCli(const std::vector<std::string>& argv) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (std::FILE* null = std::fopen("/dev/null", "w"))
            ::dup2(fileno(null), 1);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    int pages = 5000;
    std::string parent;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc)
            parent = argv[++i];
        else
            pages = std::max(100, std::atoi(a.c_str()));
    }
    if (parent.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        parent = tmp && *tmp ? tmp : "/tmp";
    }
    // Runs without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::string tmpl = parent + "/parvane-bench-gui-XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path base(tmpl);
    const parvane::bench::TReferenceSite site =
        parvane::bench::MakeReferenceSite(base / "site", pages);
    std::error_code ec;
    const fs::path cli = fs::read_symlink("/proc/self/exe", ec).parent_path() / "parvane-cli";
    const fs::path project = base / "site.pvx";
    if (!RunCli({cli.string(), "new", (base / "site").string(), "--output", project.string(),
                 "--import", "--quiet", "--encoding", "UTF-8"})) {
        std::fprintf(stderr, "import failed\n");
        return 1;
    }

    QApplication app(argc, argv);
    TAgreeingDialogs dialogs;
    TMemorySettingsStore store;
    TfrmMain window(dialogs, store);
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();

    std::printf("%lld pages imported (%s, %.0f MB project file)\n", site.Pages, project.c_str(),
                static_cast<double>(fs::file_size(project, ec)) / 1e6);
    std::printf("%-52s %9.1f ms\n", "open the project and paint the tree", Timed([&] {
                    window.ProjectCommands().OpenProjectFile(QString::fromStdString(project));
                }));

    TTopicTree& tree = window.Tree();
    std::vector<TTopicNode*> topics;
    tree.ForEach([&](TTopicNode* node) {
        if (node->Data().Status == tsLinked)
            topics.push_back(node);
    });
    for (const double where : {0.5, 0.9, 0.1}) {
        TTopicNode* node = topics[static_cast<std::size_t>(where * (topics.size() - 1))];
        char label[80];
        std::snprintf(label, sizeof label, "select the topic at %.0f %% of the tree", where * 100);
        std::printf("%-52s %9.1f ms\n", label, Timed([&] { tree.Select(node); }));
    }

    // A Web Help build from the window: how long the event loop was ever kept waiting.
    TProjectSettings& s = window.Project().ProjectSettings;
    s.WebHelpOutputFolder = (base / "web").string() + "/";
    s.DefaultTopic = topics.front()->Data().Url;
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, ticks = 0;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    clock.start();
    watch.start();
    const double build = Timed([&] { window.BuildCommands().BuildOutput(2); });
    watch.stop();
    std::printf("%-52s %9.1f ms  (%s)\n", "Web Help build started from the window", build,
                window.BuildCommands().LastResult().Ok ? "built" : "FAILED");
    std::printf("%-52s %9lld ms  (%lld ticks of 10 ms)\n", "  longest the window was unresponsive",
                static_cast<long long>(longest), static_cast<long long>(ticks));
    window.Project().Modified = false;
    fs::remove_all(base, ec);
    return 0;
}
