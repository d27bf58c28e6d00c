#pragma once
// The picture-properties dialog TfrmPicture, the hyperlink dialog TfrmInsertHyperlink and
// the page-properties dialog TfrmPageProperties of the WYSIWYG editor. Their rules live in
// editor/address_rules.h and editor/page_properties.h; these forms show them, ask the
// questions through IDialogs and write the page.

#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_dom.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace parvane {

class TframSelectColor;

// Whether the topic's page has a folder to browse from; shows "This function is unavailable
// for unsaved topic!" when not.
bool CheckFileDialogAllowed(const TEditorDialogHost& host);

// "Browser" of the picture dialog and "..." of the page dialog: the picture dialog opened
// at the address's file (or the last picture folder, or the root), then the address of the
// chosen picture, copied into the page's folder when the author wants it below the root.
// Nothing when cancelled.
std::optional<std::string> BrowseForPicture(const TEditorDialogHost& host,
                                            const std::string& address, bool warnBlankSpaces);

class TfrmPicture : public QDialog {
    Q_OBJECT
public:
    // Loads the picture when the current element is one; otherwise the defaults, and OK
    // writes nothing.
    TfrmPicture(const TEditorDialogHost& host, const THtmlElement& current);

    bool HasPicture() const { return static_cast<bool>(picture_); }
    // OK: the boxes onto the picture.
    void ApplyToPicture();

    QLineEdit* edtPicSource;
    QPushButton* btnBrowser;
    QLineEdit* edtText;
    QComboBox* cbAlign;
    QLineEdit* seBorder;
    QLineEdit* seHspace;
    QLineEdit* seVspace;
    // In toolbar order: Left, Right, Absbottom, Absmiddle, Top, Bottom, Middle.
    std::vector<QToolButton*> AlignButtons;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void cbAlignChange();
    void btnBrowserClick();

    TEditorDialogHost host_;
    THtmlElement picture_;
};

class TfrmInsertHyperlink : public QDialog {
    Q_OBJECT
public:
    // Finds the link at or around the current element (editing it), or prepares a new one
    // from the selected text; a picture gets wrapped in the link.
    TfrmInsertHyperlink(const TEditorDialogHost& host, const THtmlElement& current);

    bool EditingLink() const { return static_cast<bool>(link_); }
    bool OnPicture() const { return static_cast<bool>(picture_); }
    // OK: writes the link.
    void ApplyLink();

    QLineEdit* edtText;
    QLineEdit* edtUrl;
    QToolButton* btnHtmlFile;
    QToolButton* btnEmail;
    QToolButton* btnInternet;
    QToolButton* btnInternalPage;
    QCheckBox* cbNewWin;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnRemoveLink;

private:
    void btnHtmlFileClick();
    void btnEmailClick();
    void btnInternetClick();
    void btnInternalPageClick();

    TEditorDialogHost host_;
    THtmlElement link_;
    THtmlElement picture_;
    std::string linkText_; // the link's text when the dialog opened
};

class TfrmPageProperties : public QDialog {
    Q_OBJECT
public:
    // Loaded from the document's body.
    explicit TfrmPageProperties(const TEditorDialogHost& host);

    // OK: the controls onto the body.
    void ApplyToBody();

    QCheckBox* cbHasback;
    QLineEdit* edtBackPic;
    QPushButton* btnBackPic;
    QCheckBox* cbFixed;
    QCheckBox* cbBackColor;
    TframSelectColor* framBackColor;
    QCheckBox* cbText;
    TframSelectColor* framText;
    QCheckBox* cbHyperlink;
    TframSelectColor* framHyperlink;
    QCheckBox* cbVisited;
    TframSelectColor* framVisited;
    QCheckBox* cbActive;
    TframSelectColor* framActive;
    QCheckBox* cbTopMargin;
    QLineEdit* seTop;
    QCheckBox* cbLeftMargin;
    QLineEdit* seLeft;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void FollowChecks();

    TEditorDialogHost host_;
    THtmlElement body_;
};

} // namespace parvane
