#pragma once

// Owned collections: an ordered list that creates, owns and releases its
// items. An item knows its collection; releasing an item through the
// collection removes it from the list before its destructor runs.

#include <memory>
#include <utility>
#include <vector>

namespace vitrix {

class TCollection;

class TCollectionItem {
 public:
  explicit TCollectionItem(TCollection* collection) : collection_(collection) {}
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  virtual ~TCollectionItem() = default;

  TCollection* Collection() const { return collection_; }
  // Position in the collection, -1 once removed.
  int Index() const;

 private:
  friend class TCollection;
  TCollection* collection_;
};

class TCollection {
 public:
  TCollection() = default;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  virtual ~TCollection() { Clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Item(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }

  // Creates an item of type T (constructed with this collection and args) at
  // the end of the list.
  template <class T, class... Args>
  T* Add(Args&&... args) {
    auto item = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = item.get();
    items_.push_back(std::move(item));
    return raw;
  }

  // Releases the item at index / the given item (nothing if it is not ours).
  void Delete(int index);
  void Remove(TCollectionItem* item);
  // Releases every item, last first.
  void Clear();
  int IndexOf(const TCollectionItem* item) const;

 private:
  std::vector<std::unique_ptr<TCollectionItem>> items_;
};

// A collection whose items are all of one type.
template <class T>
class TOwnedCollection : public TCollection {
 public:
  T* Items(int index) const { return static_cast<T*>(Item(index)); }
  template <class U = T, class... Args>
  U* AddItem(Args&&... args) {
    return Add<U>(std::forward<Args>(args)...);
  }
};

}  // namespace vitrix
