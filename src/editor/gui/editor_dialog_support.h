#pragma once
// Small pieces the editor's dialogs share: text conversion at the Qt boundary, element
// searches, attribute writes on live elements, file-dialog filters, a three-state check
// box and a numeric box that may be left empty.

#include "editor/gui/html_edit_dom.h"
#include "editor/html_attributes.h"
#include "editor/table_logic.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class THtmlEditComponent;

inline QString Qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string Ss(const QString& s) {
    return s.toStdString();
}

// The nearest element with the tag (upper case) from start upward, stopping at "BODY";
// start itself counts only when includeSelf is set.
THtmlElement FindEnclosing(const THtmlElement& start, std::string_view tag, bool includeSelf);
// The editor's own search: from the parent up to "HTML", nothing while the editor is busy.
THtmlElement FindAncestor(const THtmlEditComponent& editor, const THtmlElement& element,
                          std::string_view tag);

THtmlAttributes AttributesOf(const THtmlElement& element);
// Replays the ops on a live element; removals of absent attributes are left out.
void ApplyOps(THtmlElement& element, const TAttrOps& ops);
void RemoveAttributeIfPresent(THtmlElement& element, std::string_view name);

// A filter of the form "Name|*.a;*.b|Other|*.c" in Qt's form "Name (*.a *.b);;Other (*.c)";
// "*.*" matches every file.
QString QtFilter(std::string_view filter);

// Deletes the selection when there is one (the cut command is available then), as the
// inserts do before pasting their HTML.
void DeleteEditorSelection(THtmlEditComponent& editor);

// The table of the page as plain data, with the elements behind its rows and cells.
struct TLiveTable {
    THtmlElement Table;
    TTableModel Model;
    std::vector<THtmlElement> Rows;
    std::vector<std::vector<THtmlElement>> Cells;

    std::optional<TCellPosition> PositionOf(const THtmlElement& cell) const;
    THtmlElement CellAt(const TCellPosition& position) const;
};
TLiveTable ReadLiveTable(const THtmlElement& table);

// A check box whose clicks go unchecked, checked, greyed, unchecked; the greyed state
// (partially checked) leaves a value of every cell as it is.
class TTriStateCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TTriStateCheckBox(const QString& text, QWidget* parent = nullptr);
    TCheckState State() const;
    void SetState(TCheckState state);

protected:
    void nextCheckState() override;
};

// A box for a whole number in 0..maximum that may also be empty.
QLineEdit* NewNumberBox(int maximum, QWidget* parent = nullptr);

} // namespace parvane
