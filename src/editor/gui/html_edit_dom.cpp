#include "editor/gui/html_edit_dom.h"

#include "editor/gui/html_edit_component.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace parvane {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

int SpanOf(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && value > 0 ? value : 1;
}

} // namespace

// ---- THtmlElement ------------------------------------------------------------------------

THtmlElement::THtmlElement(THtmlEditComponent* owner, int generation, int handle)
    : owner_(owner), generation_(generation), handle_(handle) {}

bool THtmlElement::IsNull() const {
    return handle_ == 0 || !owner_ || owner_->generation_ != generation_;
}

bool THtmlElement::operator==(const THtmlElement& other) const {
    return owner_ == other.owner_ && generation_ == other.generation_ && handle_ == other.handle_;
}

const TElementData* THtmlElement::Data() const {
    return owner_ ? owner_->ElementData(generation_, handle_) : nullptr;
}

TElementData* THtmlElement::MutableData() const {
    return owner_ ? owner_->MutableElementData(generation_, handle_) : nullptr;
}

bool THtmlElement::Write(const char* call, QJsonArray arguments) const {
    if (IsNull())
        return false;
    arguments.prepend(handle_);
    return owner_->ElementCall(generation_, QString::fromLatin1(call), std::move(arguments));
}

std::string THtmlElement::TagName() const {
    const TElementData* data = Data();
    return data ? data->Tag : std::string();
}

THtmlElement THtmlElement::Parent() const {
    const TElementData* data = Data();
    if (!data || data->Parent == 0)
        return {};
    return THtmlElement(owner_, generation_, data->Parent);
}

std::string THtmlElement::OuterHtml() const {
    const TElementData* data = Data();
    if (data && data->Tag == "BODY")
        return owner_->BodyOuterHtml();
    return data && data->HasContent ? data->Outer : std::string();
}

std::string THtmlElement::InnerHtml() const {
    const TElementData* data = Data();
    return data && data->HasContent ? data->Inner : std::string();
}

std::string THtmlElement::InnerText() const {
    const TElementData* data = Data();
    return data && data->HasContent ? data->Text : std::string();
}

bool THtmlElement::HasAttribute(std::string_view name) const {
    const TElementData* data = Data();
    if (!data)
        return false;
    const std::string key = Lower(name);
    return std::any_of(data->Attributes.begin(), data->Attributes.end(),
                       [&](const auto& attribute) { return attribute.first == key; });
}

std::string THtmlElement::GetAttribute(std::string_view name) const {
    const TElementData* data = Data();
    if (!data)
        return {};
    const std::string key = Lower(name);
    for (const auto& [attributeName, value] : data->Attributes)
        if (attributeName == key)
            return value;
    return {};
}

std::vector<std::pair<std::string, std::string>> THtmlElement::Attributes() const {
    const TElementData* data = Data();
    return data ? data->Attributes : std::vector<std::pair<std::string, std::string>>();
}

std::string THtmlElement::StyleWidth() const {
    const TElementData* data = Data();
    return data ? data->StyleWidth : std::string();
}

void THtmlElement::SetAttribute(std::string_view name, std::string_view value) {
    if (!Write("setAttribute", {Q(name), Q(value)}))
        return;
    if (TElementData* data = MutableData()) {
        const std::string key = Lower(name);
        auto it = std::find_if(data->Attributes.begin(), data->Attributes.end(),
                               [&](const auto& attribute) { return attribute.first == key; });
        if (it != data->Attributes.end())
            it->second = std::string(value);
        else
            data->Attributes.emplace_back(key, std::string(value));
    }
}

void THtmlElement::RemoveAttribute(std::string_view name) {
    if (!Write("removeAttribute", {Q(name)}))
        return;
    if (TElementData* data = MutableData()) {
        const std::string key = Lower(name);
        std::erase_if(data->Attributes,
                      [&](const auto& attribute) { return attribute.first == key; });
    }
}

void THtmlElement::SetStyleWidth(std::string_view width) {
    if (!Write("setStyleWidth", {Q(width)}))
        return;
    if (TElementData* data = MutableData())
        data->StyleWidth = std::string(width);
}

void THtmlElement::SetOuterHtml(std::string_view html) {
    Write("setOuterHtml", {Q(html)});
}

void THtmlElement::SetInnerHtml(std::string_view html) {
    if (!Write("setInnerHtml", {Q(html)}))
        return;
    if (TElementData* data = MutableData(); data && data->HasContent)
        data->Inner = std::string(html);
}

void THtmlElement::SetInnerText(std::string_view text) {
    if (!Write("setInnerText", {Q(text)}))
        return;
    if (TElementData* data = MutableData(); data && data->HasContent)
        data->Text = std::string(text);
}

THtmlElementCollection THtmlElement::Rows() const {
    std::vector<THtmlElement> rows;
    if (const TElementData* data = Data(); data && data->HasRows)
        for (int handle : data->Rows)
            rows.push_back(THtmlElement(owner_, generation_, handle));
    return THtmlElementCollection(std::move(rows));
}

THtmlElementCollection THtmlElement::Cells() const {
    std::vector<THtmlElement> cells;
    if (const TElementData* data = Data(); data && data->HasCells)
        for (int handle : data->Cells)
            cells.push_back(THtmlElement(owner_, generation_, handle));
    return THtmlElementCollection(std::move(cells));
}

THtmlElement THtmlElement::InsertRow(int index) {
    if (IsNull())
        return {};
    const int handle = owner_->NewHandle();
    if (!Write("insertRow", {index, handle}))
        return {};
    auto row = std::make_shared<TElementData>();
    row->Tag = "TR";
    row->Parent = handle_;
    row->HasCells = true;
    owner_->elements_[handle] = row;
    if (TElementData* table = MutableData(); table && table->HasRows) {
        auto& rows = table->Rows;
        const auto at =
            index < 0 || index > static_cast<int>(rows.size()) ? rows.end() : rows.begin() + index;
        rows.insert(at, handle);
    }
    return THtmlElement(owner_, generation_, handle);
}

THtmlElement THtmlElement::InsertCell(int index) {
    if (IsNull())
        return {};
    const int handle = owner_->NewHandle();
    if (!Write("insertCell", {index, handle}))
        return {};
    auto cell = std::make_shared<TElementData>();
    cell->Tag = "TD";
    cell->Parent = handle_;
    if (TElementData* row = MutableData(); row && row->HasCells) {
        auto& cells = row->Cells;
        const int at = index < 0 || index > static_cast<int>(cells.size())
                           ? static_cast<int>(cells.size())
                           : index;
        cells.insert(cells.begin() + at, handle);
        cell->CellIndex = at;
        for (std::size_t i = at + 1; i < cells.size(); ++i)
            if (auto it = owner_->elements_.find(cells[i]); it != owner_->elements_.end())
                it->second->CellIndex = static_cast<int>(i);
    } else {
        cell->CellIndex = std::max(index, 0);
    }
    owner_->elements_[handle] = cell;
    return THtmlElement(owner_, generation_, handle);
}

int THtmlElement::CellIndex() const {
    const TElementData* data = Data();
    return data ? data->CellIndex : -1;
}

int THtmlElement::RowSpan() const {
    return SpanOf(GetAttribute("rowspan"));
}

int THtmlElement::ColSpan() const {
    return SpanOf(GetAttribute("colspan"));
}

// ---- THtmlElementCollection ----------------------------------------------------------------

THtmlElement THtmlElementCollection::Item(int index) const {
    if (index < 0 || index >= Length())
        return {};
    return items_[static_cast<std::size_t>(index)];
}

// ---- THtmlTextRange ------------------------------------------------------------------------

THtmlTextRange::THtmlTextRange(THtmlEditComponent* owner, int generation)
    : owner_(owner), generation_(generation) {}

bool THtmlTextRange::IsNull() const {
    return !owner_ || owner_->generation_ != generation_;
}

std::string THtmlTextRange::Text() const {
    return !IsNull() && position_ == TPosition::Whole ? owner_->SelectedText() : std::string();
}

void THtmlTextRange::Collapse(bool toStart) {
    position_ = toStart ? TPosition::Start : TPosition::End;
}

bool THtmlTextRange::MoveStart(std::string_view unit, int count) {
    if (Lower(unit) != "character")
        return false;
    if (count == 0)
        return true;
    if (position_ == TPosition::Start && count == 1) {
        position_ = TPosition::AfterFirst;
        return true;
    }
    return false;
}

THtmlElement THtmlTextRange::ParentElement() const {
    if (IsNull())
        return {};
    return owner_->ElementOf(owner_->RangeElement(generation_, static_cast<int>(position_)));
}

void THtmlTextRange::PasteHtml(std::string_view html) {
    if (IsNull())
        return;
    static constexpr const char* kWhere[] = {"range", "start", "end", "afterFirst"};
    owner_->RangePaste(generation_, kWhere[static_cast<int>(position_)], html);
}

} // namespace parvane
