#pragma once
// The rows of the Navigator's list control as plain data: what the archive
// model builds, selects and scrolls to, and what the list widget shows.
#include <vector>

#include "archive/ArchiveItem.h"

namespace vellumo {

// The list widget listens to the model's changes.
class NavigatorListObserver {
public:
    virtual ~NavigatorListObserver() = default;
    // Every row was replaced (a new listing).
    virtual void rowsReset() {}
    virtual void rowImageChanged(int /*row*/) {}
    // The program selected a row (focused and selected; -1 clears the
    // selection). notify is false when item-change handling is suppressed:
    // the widget must then not report the change as the user's.
    virtual void selectionChanged(int /*row*/, bool /*notify*/) {}
    virtual void scrollTo(int /*row*/) {}
};

class NavigatorList {
public:
    void setObserver(NavigatorListObserver* observer) { observer_ = observer; }

    int count() const { return static_cast<int>(rows_.size()); }
    bool valid(int row) const { return row >= 0 && row < count(); }
    const ArchiveItem& at(int row) const { return rows_[static_cast<size_t>(row)]; }
    const std::vector<ArchiveItem>& rows() const { return rows_; }

    // Replaces every row; the selection is cleared.
    void setRows(std::vector<ArchiveItem> rows);
    void clear() { setRows({}); }
    void setImage(int row, int image);
    // A row learns more of itself after the listing (an empty folder).
    void setRow(int row, std::uint32_t flags, int image);

    // The selection mark: the selected row, -1 for none.
    int selection() const { return selection_; }
    // Selects a row by program (out of range clears the selection).
    void select(int row, bool notify);
    // The user selected a row in the widget; the widget already shows it.
    void setSelectionFromUser(int row) { selection_ = valid(row) ? row : -1; }
    void scrollTo(int row);

private:
    std::vector<ArchiveItem> rows_;
    int selection_ = -1;
    NavigatorListObserver* observer_ = nullptr;
};

}  // namespace vellumo
