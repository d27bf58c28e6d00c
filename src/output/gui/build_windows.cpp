#include "output/gui/build_windows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace parvane {

TfrmWarning::TfrmWarning(const QStringList& warnings, QWidget* parent) : QDialog(parent) {
    setObjectName("frmWarning");
    setWindowTitle("Warnings and Errors");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Please notice the following infomation:"));
    lbWarnings = new QListWidget;
    lbWarnings->addItems(warnings);
    lbWarnings->setWordWrap(true);
    lbWarnings->setMinimumSize(480, 120);
    layout->addWidget(lbWarnings);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnContinue = new QPushButton("Continue");
    btnCancel = new QPushButton("Cancel");
    btnContinue->setDefault(true);
    buttons->addWidget(btnContinue);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnContinue, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmLines::TfrmLines(const QString& objectName, const QString& title, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    mmLines = new QPlainTextEdit;
    mmLines->setReadOnly(true);
    mmLines->setMinimumSize(520, 300);
    layout->addWidget(mmLines);
    auto* row = new QHBoxLayout;
    row->addStretch();
    btnClose = new QPushButton("Close");
    row->addWidget(btnClose);
    layout->addLayout(row);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmLines::Clear() {
    mmLines->clear();
}

void TfrmLines::AddLine(const QString& line) {
    mmLines->appendPlainText(line);
    mmLines->verticalScrollBar()->setValue(mmLines->verticalScrollBar()->maximum());
}

void TfrmLines::AddLines(const QStringList& lines) {
    if (lines.isEmpty())
        return;
    mmLines->appendPlainText(lines.join('\n'));
    mmLines->verticalScrollBar()->setValue(mmLines->verticalScrollBar()->maximum());
}

QStringList TfrmLines::Lines() const {
    QStringList lines = mmLines->toPlainText().split('\n');
    if (lines.size() == 1 && lines.front().isEmpty())
        lines.clear();
    return lines;
}

void TfrmLines::SetRunning(bool running) {
    btnClose->setEnabled(!running);
}

TfrmOutput::TfrmOutput(QWidget* parent) : TfrmLines("frmOutput", "Building", parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

TfrmCompiling::TfrmCompiling(QWidget* parent) : TfrmLines("frmCompiling", "Compiling", parent) {
    setWindowModality(Qt::ApplicationModal);
}

} // namespace parvane
