#pragma once
// Every message box and standard dialog of the program goes through IDialogs, so tests
// answer the questions and choose the files instead of a person.

#include <QString>
#include <QStringList>

class QDialog;
class QDialogButtonBox;
class QWidget;

namespace parvane {

enum class TAnswer { Yes, No, Cancel };
enum class TButtons { YesNo, YesNoCancel };

// Filters in Qt's form: "HTML file (*.html *.htm)".
namespace Filters {
inline const char* const Project = "Parvane Project (*.pvx)";
inline const char* const Html = "HTML file (*.html *.htm)";
inline const char* const Chm = "Windows HTML help(*.CHM) (*.chm)";
} // namespace Filters

// The "OK" and "Cancel" row of a dialog, wired to accept and reject (named btnOK and
// btnCancel); the caller places it.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // A question; title empty means the application title. question: the question icon.
    virtual TAnswer Ask(const QString& text, TButtons buttons, const QString& title = {}) = 0;
    virtual void Error(const QString& text) = 0;
    // "" when cancelled.
    virtual QString OpenFile(const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QStringList OpenFiles(const QString& title, const QString& folder,
                                  const QString& filter) = 0;
    // Asks before overwriting; suffix is added when the name has none.
    virtual QString SaveFile(const QString& title, const QString& proposed, const QString& filter,
                             const QString& suffix) = 0;
    virtual QString SelectFolder(const QString& caption, const QString& start) = 0;
    // Runs one of the program's own dialogs modally; returns QDialog::Accepted or Rejected.
    virtual int Exec(QDialog& dialog) = 0;
    // Hands a file or folder to the desktop.
    virtual void OpenWithDesktop(const QString& path) = 0;
};

// The real thing: QMessageBox, QFileDialog, QDesktopServices.
class TQtDialogs : public IDialogs {
public:
    explicit TQtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    TAnswer Ask(const QString& text, TButtons buttons, const QString& title = {}) override;
    void Error(const QString& text) override;
    QString OpenFile(const QString& title, const QString& folder, const QString& filter) override;
    QStringList OpenFiles(const QString& title, const QString& folder,
                          const QString& filter) override;
    QString SaveFile(const QString& title, const QString& proposed, const QString& filter,
                     const QString& suffix) override;
    QString SelectFolder(const QString& caption, const QString& start) override;
    int Exec(QDialog& dialog) override;
    void OpenWithDesktop(const QString& path) override;

private:
    QWidget* parent_;
};

} // namespace parvane
