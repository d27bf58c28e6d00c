#include "output/gui/build_commands.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/chm_project.h"
#include "output/gui/build_dialog.h"
#include "output/gui/build_windows.h"
#include "output/output_file.h"
#include "ui/gui/dialogs.h"
#include "ui/program_help.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

const char* const NoDefaultTopicWarning =
    "Warning: You have not specified a default topic. Right-clicking a topic and selecting "
    "\"Set as default topic\" can set a topic as default.";
} // namespace

void TGuiBuildHost::Info(const std::string& text) {
    emit Line(Q(text));
}

void TGuiBuildHost::CompilerLine(const std::string& text) {
    emit CompilerOutput(Q(text));
}

bool TGuiBuildHost::AskRetry(const std::string& message) {
    bool retry = false;
    // Questions are asked on the window's thread while the worker waits.
    QMetaObject::invokeMethod(
        this,
        [this, &message] { return dialogs_.Ask(Q(message), TButtons::YesNo) == TAnswer::Yes; },
        Qt::BlockingQueuedConnection, &retry);
    return retry;
}

TBuildCommands::TBuildCommands(QWidget* window, TPvx& project, IDialogs& dialogs)
    : QObject(window), window_(window), project_(project), dialogs_(dialogs) {
    output_ = new TfrmOutput(window);
    compiling_ = new TfrmCompiling(window);
    CanShowCompiledHelp = DesktopShowsCompiledHelp;
}

TBuildCommands::~TBuildCommands() = default;

bool TBuildCommands::BuildOutput(int tag) {
    if (SaveChangedTopic && !SaveChangedTopic())
        return false;
    TProjectSettings& settings = project_.ProjectSettings;
    if (StringFunc::Trim(settings.DefaultTopic).empty()) {
        TfrmWarning warning({NoDefaultTopicWarning}, window_);
        if (dialogs_.Exec(warning) != QDialog::Accepted)
            return false;
    }

    TBuildDialogValues values;
    values.Page = tag >= 1 && tag <= 6 ? tag - 1 : 0;
    values.CompiledFile = settings.CompiledFile;
    values.DeleteProject = settings.DeleteProject;
    values.HHPFolder = settings.HHPFolder;
    values.WebHelpOutputFolder = settings.WebHelpOutputFolder;
    values.SingleHtmlOutputFolder = settings.SingleHtmlOutputFolder;
    values.SingleHtmlFilename = settings.SingleHtmlFilename;
    values.ViewCompiledFile = settings.ViewCompiledFile;
    // A one-file output the author never named follows the compiled help file's name.
    const auto fileOf = [this](const std::string& setting, const char* extension) {
        return setting.empty() ? DefaultOutputFile(project_, extension) : setting;
    };
    values.PdfFile = fileOf(settings.PdfFile, ".pdf");
    values.PdfPageSize = settings.PdfPageSize;
    values.PdfMargin = settings.PdfMargin;
    values.EpubFile = fileOf(settings.EpubFile, ".epub");
    values.QtHelpFile = fileOf(settings.QtHelpFile, ".qch");
    TfrmCompiler dialog(dialogs_, project_.RootFolder(), values, window_);
    dialog.OpenProjectSettings = OpenProjectSettings;
    dialog.UpdateOptionButtons();
    if (dialogs_.Exec(dialog) != QDialog::Accepted)
        return false;

    const TBuildDialogValues chosen = dialog.Values();
    const auto take = [this](auto& setting, const auto& value) {
        if (setting != value) {
            setting = value;
            project_.Modified = true;
        }
    };
    take(settings.CompiledFile, chosen.CompiledFile);
    take(settings.DeleteProject, chosen.DeleteProject);
    take(settings.HHPFolder, chosen.HHPFolder);
    take(settings.WebHelpOutputFolder, chosen.WebHelpOutputFolder);
    take(settings.SingleHtmlOutputFolder, chosen.SingleHtmlOutputFolder);
    take(settings.SingleHtmlFilename, chosen.SingleHtmlFilename);
    take(settings.ViewCompiledFile, chosen.ViewCompiledFile);
    // The proposed name left as it was stays unset, so it keeps following the compiled file.
    const auto takeFile = [&take](std::string& setting, const std::string& proposed,
                                  const std::string& value) {
        if (!(setting.empty() && value == proposed))
            take(setting, value);
    };
    takeFile(settings.PdfFile, values.PdfFile, chosen.PdfFile);
    takeFile(settings.EpubFile, values.EpubFile, chosen.EpubFile);
    takeFile(settings.QtHelpFile, values.QtHelpFile, chosen.QtHelpFile);
    take(settings.PdfPageSize, chosen.PdfPageSize);
    take(settings.PdfMargin, chosen.PdfMargin);

    TBuildRequest request;
    request.Kind = static_cast<OutputKind>(chosen.Page);
    // The file the dialog showed is the one built, even when it was proposed from a compiled
    // file name changed on the HTML Help page meanwhile.
    switch (request.Kind) {
    case OutputKind::Pdf:
        request.OutputOverride = chosen.PdfFile;
        break;
    case OutputKind::Epub:
        request.OutputOverride = chosen.EpubFile;
        break;
    case OutputKind::QtHelp:
        request.OutputOverride = chosen.QtHelpFile;
        break;
    case OutputKind::HtmlHelp:
    case OutputKind::WebHelp:
    case OutputKind::SingleHtml:
        break;
    }
    const TBuildResult result = Run(request);
    if (!result.Ok) {
        if (!result.Message.empty() && result.Message != "Canceled!")
            dialogs_.Error(Q(result.Message));
        return false;
    }
    if (!result.OutputFile.empty() &&
        (request.Kind != OutputKind::HtmlHelp ||
         (settings.ViewCompiledFile &&
          StringFunc::SameText(Paths::ExtractFileExt(result.OutputFile), ".chm"))))
        Show(result.OutputFile);
    return true;
}

TBuildResult TBuildCommands::Run(const TBuildRequest& request) {
    TGuiBuildHost host(dialogs_);
    TfrmLines* lines = output_;
    output_->Clear();
    output_->SetRunning(true);
    output_->show();
    output_->raise();
    // HTML Help: the compiler's lines go to the compiling window, which takes over from
    // the progress window when the compiler starts.
    // A large project reports tens of thousands of lines (one per copied file): shown one
    // by one they kept the window busy for many seconds after the build. They are shown
    // in batches, ten times a second.
    QStringList pending;
    QTimer batch;
    batch.setSingleShot(true);
    batch.setInterval(100);
    const auto showPending = [&lines, &pending] {
        lines->AddLines(pending);
        pending.clear();
    };
    connect(&batch, &QTimer::timeout, output_, showPending);
    connect(&host, &TGuiBuildHost::Line, output_, [&pending, &batch](const QString& text) {
        pending.append(text);
        if (!batch.isActive())
            batch.start();
    });
    connect(&host, &TGuiBuildHost::CompilerOutput, output_,
            [this, &lines, &showPending](const QString& text) {
        showPending();
        if (lines != compiling_) {
            output_->hide();
            compiling_->Clear();
            compiling_->SetRunning(true);
            compiling_->show();
            lines = compiling_;
        }
        lines->AddLine(text);
    });

    if (SetBusy)
        SetBusy(true);
    TBuildResult result;
    QEventLoop loop;
    QThread* worker = QThread::create(
        [this, &request, &host, &result] { result = RunBuild(project_, request, host); });
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    running_ = true;
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    running_ = false;
    // Lines still queued arrive before the windows are released.
    QCoreApplication::processEvents();
    batch.stop();
    showPending();
    if (SetBusy)
        SetBusy(false);

    if (!result.Ok && !result.Message.empty())
        lines->AddLine(Q(result.Message));
    output_->SetRunning(false);
    compiling_->SetRunning(false);
    lastResult_ = result;
    return result;
}

void TBuildCommands::Show(const std::string& file) {
    if (StringFunc::SameText(Paths::ExtractFileExt(file), ".chm") && CanShowCompiledHelp &&
        !CanShowCompiledHelp()) {
        dialogs_.Error("No program to show compiled help (.chm) files is installed (for "
                       "example the Debian package xchm or kchmviewer).\nThe file is \"" +
                       Q(file) + "\".");
        return;
    }
    dialogs_.OpenWithDesktop(Q(file));
}

void TBuildCommands::View(const std::string& path, const char* question, int tag) {
    if (!path.empty() && Paths::FileExists(path)) {
        Show(Paths::ResolveExisting(path));
        return;
    }
    if (dialogs_.Ask(question, TButtons::YesNo) == TAnswer::Yes)
        BuildOutput(tag);
}

void TBuildCommands::ViewHtmlHelp() {
    std::string path;
    try {
        path = CompiledFilePath(project_);
    } catch (const EParvaneError& e) {
        dialogs_.Error(Q(e.what()));
        return;
    }
    View(path, kHtmlHelpNotCreatedQuestion, 1);
}

void TBuildCommands::ViewWebHelp() {
    std::string path;
    try {
        path = Paths::IncludeTrailingSlash(
                   ResolveOutputPath(project_, project_.ProjectSettings.WebHelpOutputFolder)) +
               "index.htm";
    } catch (const EParvaneError&) {
    }
    View(path, "Web Help hasn't been created, create it?", 2);
}

void TBuildCommands::ViewSingleHtml() {
    std::string path;
    try {
        path = Paths::IncludeTrailingSlash(
                   ResolveOutputPath(project_, project_.ProjectSettings.SingleHtmlOutputFolder)) +
               project_.ProjectSettings.SingleHtmlFilename;
    } catch (const EParvaneError&) {
    }
    View(path, "Single HTML file hasn't been created, create it?", 3);
}

} // namespace parvane
