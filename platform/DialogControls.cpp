#include "platform/DialogControls.h"

#include <algorithm>
#include <stdexcept>

#include "platform/WinConstants.h"

namespace platform {

namespace {

constexpr const char* kButton = "Button";
constexpr const char* kComboBox = "ComboBox";
constexpr const char* kListView = "SysListView32";
constexpr const char* kProgress = "msctls_progress32";

bool inRange(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

std::size_t at(int index) { return static_cast<std::size_t>(index); }

}  // namespace

bool ControlState::hasStyle(const std::string& style) const {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

DialogControls::DialogControls(std::vector<ControlState> controls, Unlisted unlisted, History history)
    : controls_(std::move(controls)), unlisted_(unlisted), history_(history) {}

int DialogControls::indexOf(int id) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

ControlState& DialogControls::control(int id) { return target(id, nullptr); }

const ControlState& DialogControls::control(int id) const { return target(id, nullptr); }

const ControlState* DialogControls::find(int id, const char* className) const {
    const int index = indexOf(id);
    if (index < 0) {
        if (unlisted_ == Unlisted::Refused) throw std::out_of_range("no control " + std::to_string(id) + " in the dialog");
        return nullptr;
    }
    const ControlState& c = controls_[at(index)];
    if (unlisted_ == Unlisted::Refused && className != nullptr && c.className != className) {
        throw std::logic_error("control " + std::to_string(id) + " is a " + c.className + ", not a " + className);
    }
    return &c;
}

ControlState& DialogControls::target(int id, const char* className) {
    auto* found = const_cast<ControlState*>(find(id, className));
    if (found == nullptr) {
        found = &controls_.emplace_back();
        found->id = id;
    }
    if (found->className.empty() && className != nullptr) found->className = className;
    return *found;
}

const ControlState& DialogControls::target(int id, const char* className) const {
    // Reading a control never used yet reads a fresh one; only a change creates it.
    static const ControlState fresh;
    const ControlState* found = find(id, className);
    return found != nullptr ? *found : fresh;
}

void DialogControls::setItemText(int id, const std::string& text) {
    ControlState& c = control(id);
    c.text = text;
    if (history_ == History::Kept) c.textHistory.push_back(text);
}

std::string DialogControls::itemText(int id) const {
    const ControlState& c = control(id);
    // A drop-down list has no edit field: its window text is the selected entry.
    const bool hasEdit = c.hasStyle("CBS_DROPDOWN") || c.hasStyle("CBS_SIMPLE");
    if (c.className == kComboBox && !hasEdit) return inRange(c.curSel, c.items.size()) ? c.items[at(c.curSel)] : "";
    return c.text;
}

void DialogControls::enableItem(int id, bool enable) { control(id).enabled = enable; }

bool DialogControls::isItemEnabled(int id) const { return control(id).enabled; }

int DialogControls::buttonCheck(int id) const { return target(id, kButton).check; }

void DialogControls::setButtonCheck(int id, int state) { target(id, kButton).check = state; }

void DialogControls::comboReset(int id) {
    ControlState& c = target(id, kComboBox);
    c.items.clear();
    c.curSel = -1;
}

int DialogControls::comboAdd(int id, const std::string& text) {
    ControlState& c = target(id, kComboBox);
    c.items.push_back(text);
    return static_cast<int>(c.items.size()) - 1;
}

int DialogControls::comboInsert(int id, int index, const std::string& text) {
    ControlState& c = target(id, kComboBox);
    const int count = static_cast<int>(c.items.size());
    // -1 appends; any other index outside the list is refused.
    if (index < -1 || index > count) return win::CB_ERR;
    const int pos = index == -1 ? count : index;
    c.items.insert(c.items.begin() + pos, text);
    // The list keeps its selection on the same entry.
    if (c.curSel >= pos) ++c.curSel;
    return pos;
}

int DialogControls::comboSetCurSel(int id, int index) {
    ControlState& c = target(id, kComboBox);
    // An index outside the list clears the selection and reports CB_ERR, -1 included.
    if (!inRange(index, c.items.size())) {
        c.curSel = -1;
        return win::CB_ERR;
    }
    c.curSel = index;
    return index;
}

int DialogControls::comboCurSel(int id) const { return target(id, kComboBox).curSel; }

int DialogControls::comboCount(int id) const { return static_cast<int>(target(id, kComboBox).items.size()); }

std::string DialogControls::comboItemText(int id, int index) const {
    const ControlState& c = target(id, kComboBox);
    return inRange(index, c.items.size()) ? c.items[at(index)] : std::string();
}

bool DialogControls::listDeleteAllItems(int id) {
    target(id, kListView).rows.clear();
    return true;
}

int DialogControls::listHeaderColumnCount(int id) const {
    return static_cast<int>(target(id, kListView).columns.size());
}

bool DialogControls::listDeleteColumn(int id, int column) {
    ControlState& c = target(id, kListView);
    if (!inRange(column, c.columns.size())) return false;
    c.columns.erase(c.columns.begin() + column);
    for (auto& row : c.rows) {
        if (inRange(column, row.texts.size())) row.texts.erase(row.texts.begin() + column);
    }
    return true;
}

std::uint32_t DialogControls::listExtendedStyle(int id) const { return target(id, kListView).extendedStyle; }

void DialogControls::listSetExtendedStyle(int id, std::uint32_t mask, std::uint32_t style) {
    ControlState& c = target(id, kListView);
    // A zero mask means every bit.
    c.extendedStyle = mask == 0 ? style : ((c.extendedStyle & ~mask) | (style & mask));
}

int DialogControls::listInsertColumn(int id, int column, const std::string& text, int format) {
    ControlState& c = target(id, kListView);
    const int pos = std::clamp(column, 0, static_cast<int>(c.columns.size()));
    c.columns.insert(c.columns.begin() + pos, ControlState::Column{text, format, 0});
    for (auto& row : c.rows) {
        if (pos <= static_cast<int>(row.texts.size())) row.texts.insert(row.texts.begin() + pos, std::string());
    }
    return pos;
}

bool DialogControls::listSetColumnWidth(int id, int column, int width) {
    ControlState& c = target(id, kListView);
    if (!inRange(column, c.columns.size())) return false;
    c.columns[at(column)].width = width;
    return true;
}

int DialogControls::listInsertItem(int id, int index, const std::string& text) {
    ControlState& c = target(id, kListView);
    const int count = static_cast<int>(c.rows.size());
    const int pos = (index < 0 || index > count) ? count : index;
    ControlState::Row row;
    row.texts.assign(std::max<std::size_t>(c.columns.size(), 1), std::string());
    row.texts[0] = text;
    c.rows.insert(c.rows.begin() + pos, row);
    return pos;
}

bool DialogControls::listSetItemText(int id, int item, int subItem, const std::string& text) {
    ControlState& c = target(id, kListView);
    if (!inRange(item, c.rows.size()) || subItem < 0) return false;
    // A subitem needs its column.
    if (subItem > 0 && !inRange(subItem, c.columns.size())) return false;
    auto& texts = c.rows[at(item)].texts;
    if (!inRange(subItem, texts.size())) texts.resize(at(subItem) + 1);
    texts[at(subItem)] = text;
    return true;
}

bool DialogControls::listSetItemState(int id, int item, std::uint32_t state, std::uint32_t mask) {
    ControlState& c = target(id, kListView);
    auto apply = [&](ControlState::Row& row) { row.state = (row.state & ~mask) | (state & mask); };
    if (item == -1) {
        for (auto& row : c.rows) apply(row);
        return true;
    }
    if (!inRange(item, c.rows.size())) return false;
    const std::uint32_t setting = mask & state;
    // One row at most has the focus; on a single-selection list one row at most is selected.
    std::uint32_t exclusive = setting & win::LVIS_FOCUSED;
    if (c.hasStyle("LVS_SINGLESEL")) exclusive |= setting & win::LVIS_SELECTED;
    if (exclusive != 0) {
        for (auto& row : c.rows) row.state &= ~exclusive;
    }
    apply(c.rows[at(item)]);
    return true;
}

int DialogControls::listItemCount(int id) const { return static_cast<int>(target(id, kListView).rows.size()); }

std::uint32_t DialogControls::listItemState(int id, int item, std::uint32_t mask) const {
    const ControlState& c = target(id, kListView);
    return inRange(item, c.rows.size()) ? c.rows[at(item)].state & mask : 0u;
}

std::string DialogControls::listItemText(int id, int item, int subItem) const {
    const ControlState& c = target(id, kListView);
    if (!inRange(item, c.rows.size())) return std::string();
    const auto& texts = c.rows[at(item)].texts;
    return inRange(subItem, texts.size()) ? texts[at(subItem)] : std::string();
}

int DialogControls::progressSetPos(int id, int position) {
    ControlState& c = target(id, kProgress);
    const int previous = c.position;
    // Outside the range (the default 0 to 100) the position is set to the nearer end.
    c.position = std::clamp(position, 0, 100);
    if (history_ == History::Kept) c.positionHistory.push_back(c.position);
    return previous;
}

}  // namespace platform
