#pragma once
// The small windows of a build: TfrmWarning (warnings before the build dialog),
// TfrmOutput ("Building", the progress lines) and TfrmCompiling (the HTML Help
// compiler's lines).

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace parvane {

class TfrmWarning : public QDialog {
    Q_OBJECT
public:
    TfrmWarning(const QStringList& warnings, QWidget* parent = nullptr);
    QListWidget* lbWarnings;
    QPushButton* btnContinue;
    QPushButton* btnCancel;
};

// A window of lines with a Close button; Close is disabled while a build runs.
class TfrmLines : public QDialog {
    Q_OBJECT
public:
    TfrmLines(const QString& objectName, const QString& title, QWidget* parent = nullptr);
    void Clear();
    void AddLine(const QString& line);
    // Several lines at once, scrolled to the end once.
    void AddLines(const QStringList& lines);
    QStringList Lines() const;
    void SetRunning(bool running);

    QPlainTextEdit* mmLines;
    QPushButton* btnClose;
};

class TfrmOutput : public TfrmLines {
    Q_OBJECT
public:
    explicit TfrmOutput(QWidget* parent = nullptr);
};

class TfrmCompiling : public TfrmLines {
    Q_OBJECT
public:
    explicit TfrmCompiling(QWidget* parent = nullptr);
};

} // namespace parvane
