#include "archive/NavigatorList.h"

#include <utility>

namespace vellumo {

void NavigatorList::setRows(std::vector<ArchiveItem> rows) {
    rows_ = std::move(rows);
    selection_ = -1;
    if (observer_) observer_->rowsReset();
}

void NavigatorList::setImage(int row, int image) {
    if (!valid(row)) return;
    rows_[static_cast<size_t>(row)].image = image;
    if (observer_) observer_->rowImageChanged(row);
}

void NavigatorList::setRow(int row, std::uint32_t flags, int image) {
    if (!valid(row)) return;
    rows_[static_cast<size_t>(row)].flags = flags;
    rows_[static_cast<size_t>(row)].image = image;
    if (observer_) observer_->rowImageChanged(row);
}

void NavigatorList::select(int row, bool notify) {
    selection_ = valid(row) ? row : -1;
    if (observer_) observer_->selectionChanged(selection_, notify);
}

void NavigatorList::scrollTo(int row) {
    if (valid(row) && observer_) observer_->scrollTo(row);
}

}  // namespace vellumo
