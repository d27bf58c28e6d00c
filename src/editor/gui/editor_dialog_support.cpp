#include "editor/gui/editor_dialog_support.h"

#include "editor/edit_command_ids.h"
#include "editor/gui/html_edit_component.h"
#include "model/string_func.h"

#include <QIntValidator>
#include <QStringList>

namespace parvane {

THtmlElement FindEnclosing(const THtmlElement& start, std::string_view tag, bool includeSelf) {
    THtmlElement element = includeSelf ? start : start.Parent();
    while (element && element.TagName() != tag) {
        if (element.TagName() == "BODY")
            return {};
        element = element.Parent();
    }
    return element;
}

THtmlElement FindAncestor(const THtmlEditComponent& editor, const THtmlElement& element,
                          std::string_view tag) {
    if (editor.Busy() || !element)
        return {};
    THtmlElement current = element.Parent();
    while (current && current.TagName() != tag) {
        if (current.TagName() == "HTML")
            return {};
        current = current.Parent();
    }
    return current;
}

THtmlAttributes AttributesOf(const THtmlElement& element) {
    THtmlAttributes attributes;
    for (const auto& [name, value] : element.Attributes())
        attributes.Set(name, value);
    return attributes;
}

void ApplyOps(THtmlElement& element, const TAttrOps& ops) {
    for (const TAttrOp& op : ops) {
        if (op.Value)
            element.SetAttribute(op.Name, *op.Value);
        else
            RemoveAttributeIfPresent(element, op.Name);
    }
}

void RemoveAttributeIfPresent(THtmlElement& element, std::string_view name) {
    // Removing an absent attribute changes nothing in the page; sent last in a row of
    // writes, it would leave the editor holding the page as it was before them.
    if (element.HasAttribute(name))
        element.RemoveAttribute(name);
}

QString QtFilter(std::string_view filter) {
    const QStringList parts = Qs(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == "*.*")
                pattern = "*";
        }
        entries << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

void DeleteEditorSelection(THtmlEditComponent& editor) {
    if (editor.QueryStatus(EditCmd::Cut) >= EditStatus::Enabled)
        editor.ExecCommand(EditCmd::Delete);
}

std::optional<TCellPosition> TLiveTable::PositionOf(const THtmlElement& cell) const {
    if (!cell)
        return std::nullopt;
    for (std::size_t r = 0; r < Cells.size(); ++r) {
        for (std::size_t c = 0; c < Cells[r].size(); ++c) {
            if (Cells[r][c] == cell)
                return TCellPosition{static_cast<int>(r), static_cast<int>(c)};
        }
    }
    return std::nullopt;
}

THtmlElement TLiveTable::CellAt(const TCellPosition& position) const {
    if (position.Row < 0 || position.Row >= static_cast<int>(Cells.size()))
        return {};
    const auto& row = Cells[static_cast<std::size_t>(position.Row)];
    if (position.Cell < 0 || position.Cell >= static_cast<int>(row.size()))
        return {};
    return row[static_cast<std::size_t>(position.Cell)];
}

TLiveTable ReadLiveTable(const THtmlElement& table) {
    TLiveTable live;
    live.Table = table;
    if (!table)
        return live;
    live.Model.Attrs = AttributesOf(table);
    live.Model.StyleWidth = table.StyleWidth();
    for (const THtmlElement& row : table.Rows()) {
        live.Rows.push_back(row);
        TTableRow modelRow;
        std::vector<THtmlElement> cells;
        for (const THtmlElement& cell : row.Cells()) {
            cells.push_back(cell);
            modelRow.Cells.push_back({AttributesOf(cell)});
        }
        live.Cells.push_back(std::move(cells));
        live.Model.Rows.push_back(std::move(modelRow));
    }
    return live;
}

TTriStateCheckBox::TTriStateCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {
    setTristate(true);
}

TCheckState TTriStateCheckBox::State() const {
    switch (checkState()) {
    case Qt::Checked:
        return TCheckState::Checked;
    case Qt::PartiallyChecked:
        return TCheckState::Greyed;
    default:
        return TCheckState::Unchecked;
    }
}

void TTriStateCheckBox::SetState(TCheckState state) {
    switch (state) {
    case TCheckState::Checked:
        setCheckState(Qt::Checked);
        break;
    case TCheckState::Greyed:
        setCheckState(Qt::PartiallyChecked);
        break;
    case TCheckState::Unchecked:
        setCheckState(Qt::Unchecked);
        break;
    }
}

void TTriStateCheckBox::nextCheckState() {
    SetState(NextCheckState(State()));
}

QLineEdit* NewNumberBox(int maximum, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setValidator(new QIntValidator(0, maximum, box));
    box->setMaximumWidth(90);
    return box;
}

} // namespace parvane
