#pragma once
// Building from the desktop: the build command with its warning window, dialog,
// progress and compiling windows, and the three view commands. The build itself runs
// on a worker thread; its lines reach the windows through queued signals, so the
// windows stay responsive.

#include "output/build_driver.h"

#include <QObject>
#include <functional>

class QWidget;

namespace parvane {

class IDialogs;
class TfrmCompiling;
class TfrmOutput;

// Carries the driver's calls from the worker thread to the windows.
class TGuiBuildHost : public QObject, public TBuildHost {
    Q_OBJECT
public:
    explicit TGuiBuildHost(IDialogs& dialogs) : dialogs_(dialogs) {}
    void Info(const std::string& text) override;
    void CompilerLine(const std::string& text) override;
    bool AskRetry(const std::string& message) override;
    // The author already agreed to the emptying (or replacing) in the build dialog.
    bool ConfirmEmptyForeignFolder(const std::string&) override { return true; }
    bool ConfirmReplaceForeignFile(const std::string&) override { return true; }

signals:
    void Line(const QString& text);
    void CompilerOutput(const QString& text);

private:
    IDialogs& dialogs_;
};

class TBuildCommands : public QObject {
    Q_OBJECT
public:
    TBuildCommands(QWidget* window, TPvx& project, IDialogs& dialogs);
    ~TBuildCommands() override;

    // tag 1 HTML Help, 2 Web Help, 3 Single HTML, 4 PDF, 5 EPUB, 6 Qt Help; anything else
    // opens the first page.
    // Returns whether a build ran and succeeded.
    bool BuildOutput(int tag);
    void ViewHtmlHelp();
    void ViewWebHelp();
    void ViewSingleHtml();

    // Asked first: the changed page of the shown topic may be saved; false stops.
    std::function<bool()> SaveChangedTopic;
    // Called with true before a build starts and false after it: the window refuses
    // input meanwhile, so the project cannot change under the build.
    std::function<void(bool busy)> SetBusy;
    // The project settings dialog on one of its output pages (see TfrmCompiler).
    std::function<bool(int page, TBuildDialogValues& values)> OpenProjectSettings;
    // Whether the desktop has a program for compiled help files; without one, showing a
    // .chm tells where the file is instead of doing nothing. Tests replace it.
    std::function<bool()> CanShowCompiledHelp;

    TfrmOutput* OutputWindow() const { return output_; }
    TfrmCompiling* CompilingWindow() const { return compiling_; }
    const TBuildResult& LastResult() const { return lastResult_; }
    // True while a build runs; the window is not closed meanwhile.
    bool Running() const { return running_; }

private:
    TBuildResult Run(const TBuildRequest& request);
    void View(const std::string& path, const char* question, int tag);
    void Show(const std::string& file);

    QWidget* window_;
    TPvx& project_;
    IDialogs& dialogs_;
    TfrmOutput* output_;       // owned by the window
    TfrmCompiling* compiling_; // owned by the window
    TBuildResult lastResult_;
    bool running_ = false;
};

} // namespace parvane
