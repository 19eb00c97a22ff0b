#include "rtl/collections.h"

namespace vitrix {

int TCollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

int TCollection::IndexOf(const TCollectionItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}

void TCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  // Take the item out first: its destructor may look at the collection.
  std::unique_ptr<TCollectionItem> item = std::move(items_[static_cast<std::size_t>(index)]);
  items_.erase(items_.begin() + index);
  item->collection_ = nullptr;
}

void TCollection::Remove(TCollectionItem* item) { Delete(IndexOf(item)); }

void TCollection::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

}  // namespace vitrix
