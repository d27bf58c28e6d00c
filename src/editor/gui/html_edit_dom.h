#pragma once
// The page in the WYSIWYG editor as C++ sees it: elements, collections and the text and
// control ranges of the selection. Each object names a page element by a handle. Reads
// answer at once from the editing state the page reported last (the element under the
// selection with its ancestors and tables, and every element read or written since); writes
// go to the page in the order they are made and take effect shortly after
// (THtmlEditComponent::Sync says when). An object of an earlier document reads empty and
// writes nothing.

#include <QJsonArray>
#include <QMetaType>
#include <QPointer>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvane {

class THtmlEditComponent;
class THtmlElementCollection;

// What the editor knows of one element. Content (Outer, Inner, Text) is known for the
// elements under the selection that are small enough to send whole.
struct TElementData {
    std::string Tag;                                             // upper case
    int Parent = 0;                                              // handle; 0 above the HTML element
    std::vector<std::pair<std::string, std::string>> Attributes; // lower-case names
    std::string StyleWidth;
    bool HasContent = false;
    std::string Outer, Inner, Text;
    int CellIndex = -1;
    bool HasRows = false, HasCells = false;
    std::vector<int> Rows, Cells; // handles of a table's rows, of a row's cells
};

// The holder that block-format names query (5012) fills, in display order.
struct TDEGetBlockFmtNamesParam {
    std::vector<std::string> Names;
};

enum class TSelectionType { None, Text, Control };

class THtmlElement {
public:
    THtmlElement() = default;

    bool IsNull() const;
    explicit operator bool() const { return !IsNull(); }
    int Handle() const { return handle_; }
    // The same element of the same document.
    bool operator==(const THtmlElement& other) const;

    std::string TagName() const; // upper case, "" for a null element
    THtmlElement Parent() const; // null above the HTML element
    // "" when the element is too large to be sent whole, or was never under the selection.
    std::string OuterHtml() const;
    std::string InnerHtml() const;
    std::string InnerText() const;
    bool HasAttribute(std::string_view name) const;
    std::string GetAttribute(std::string_view name) const; // "" when absent
    std::vector<std::pair<std::string, std::string>> Attributes() const;
    std::string StyleWidth() const; // the inline style's width, "" when none

    void SetAttribute(std::string_view name, std::string_view value);
    void RemoveAttribute(std::string_view name);
    void SetStyleWidth(std::string_view width);
    void SetOuterHtml(std::string_view html);
    void SetInnerHtml(std::string_view html);
    void SetInnerText(std::string_view text);

    // A table's rows and a row's cells; known for the tables around the selection and for
    // rows and cells inserted through these objects.
    THtmlElementCollection Rows() const;
    THtmlElementCollection Cells() const;
    // The new row or cell at index (-1: at the end), usable at once.
    THtmlElement InsertRow(int index = -1);
    THtmlElement InsertCell(int index = -1);
    int CellIndex() const; // -1 for anything but a cell
    int RowSpan() const;   // 1 when not set
    int ColSpan() const;

private:
    friend class THtmlEditComponent;
    friend class THtmlElementCollection;
    THtmlElement(THtmlEditComponent* owner, int generation, int handle);
    const TElementData* Data() const;
    TElementData* MutableData() const;
    bool Write(const char* call, QJsonArray arguments) const;

    QPointer<THtmlEditComponent> owner_;
    int generation_ = 0;
    int handle_ = 0;
};

class THtmlElementCollection {
public:
    THtmlElementCollection() = default;
    explicit THtmlElementCollection(std::vector<THtmlElement> items) : items_(std::move(items)) {}
    int Length() const { return static_cast<int>(items_.size()); }
    THtmlElement Item(int index) const; // null out of range
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<THtmlElement> items_;
};

// The selection as text: its text, and the element at its start, at its end, around it,
// or after its first character (collapse to the start, then move the start one character).
class THtmlTextRange {
public:
    THtmlTextRange() = default;
    bool IsNull() const;
    std::string Text() const;
    void Collapse(bool toStart = true);
    // Only "character" moves; from a range collapsed to its start, by one.
    bool MoveStart(std::string_view unit, int count);
    THtmlElement ParentElement() const;
    // Replaces the range (or inserts at the collapsed position) by an HTML fragment.
    void PasteHtml(std::string_view html);

private:
    friend class THtmlEditComponent;
    enum class TPosition { Whole, Start, End, AfterFirst };
    THtmlTextRange(THtmlEditComponent* owner, int generation);
    QPointer<THtmlEditComponent> owner_;
    int generation_ = 0;
    TPosition position_ = TPosition::Whole;
};

// The selection as an object: the selected picture, table or other control.
class THtmlControlRange {
public:
    THtmlControlRange() = default;
    int Length() const { return element_ ? 1 : 0; }
    THtmlElement Item(int index) const { return index == 0 ? element_ : THtmlElement(); }
    THtmlElement CommonParentElement() const { return element_; }

private:
    friend class THtmlEditComponent;
    explicit THtmlControlRange(THtmlElement element) : element_(std::move(element)) {}
    THtmlElement element_;
};

} // namespace parvane

Q_DECLARE_METATYPE(parvane::TDEGetBlockFmtNamesParam*)
