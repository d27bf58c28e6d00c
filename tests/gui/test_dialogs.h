#pragma once
// Answers the program's questions and dialogs in the desktop tests: every message box
// and file dialog is recorded, and answered from queues the test fills.

#include "ui/gui/dialogs.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

namespace parvane {

class TTestDialogs : public IDialogs {
public:
    struct Question {
        QString text;
        QString title;
        TButtons buttons;
    };

    TAnswer Ask(const QString& text, TButtons buttons, const QString& title = {}) override {
        questions.push_back({text, title, buttons});
        if (answers.isEmpty()) {
            unexpected << text;
            return buttons == TButtons::YesNoCancel ? TAnswer::Cancel : TAnswer::No;
        }
        return answers.takeFirst();
    }
    void Error(const QString& text) override { errors << text; }
    QString OpenFile(const QString&, const QString& folder, const QString&) override {
        openFolders << folder;
        return openFiles.isEmpty() ? QString() : openFiles.takeFirst();
    }
    QStringList OpenFiles(const QString&, const QString& folder, const QString&) override {
        openFolders << folder;
        return multiFiles;
    }
    QString SaveFile(const QString&, const QString& proposed, const QString&,
                     const QString&) override {
        proposedNames << proposed;
        return saveFiles.isEmpty() ? QString() : saveFiles.takeFirst();
    }
    QString SelectFolder(const QString&, const QString&) override { return folder; }
    int Exec(QDialog& dialog) override {
        dialogNames << dialog.objectName();
        if (execs.isEmpty())
            return QDialog::Rejected;
        return execs.takeFirst()(dialog);
    }
    void OpenWithDesktop(const QString& path) override { opened << path; }

    QList<Question> questions;
    QList<TAnswer> answers;
    QStringList unexpected;
    QStringList errors;
    QStringList openFiles;
    QStringList multiFiles;
    QStringList openFolders;
    QStringList saveFiles;
    QStringList proposedNames;
    QString folder;
    QStringList dialogNames;
    QList<std::function<int(QDialog&)>> execs;
    QStringList opened;
};

} // namespace parvane
