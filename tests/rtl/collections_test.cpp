#include "rtl/collections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vitrix {
namespace {

// An item that records its release, and what its collection held at that time.
class Probe : public TCollectionItem {
 public:
  Probe(TCollection* owner, std::string name, std::vector<std::string>* log)
      : TCollectionItem(owner), name_(std::move(name)), log_(log) {}
  ~Probe() override { log_->push_back(name_ + (Collection() == nullptr ? " detached" : " attached")); }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

TEST(Collection, KeepsItemsInOrderAndReleasesThemLastFirst) {
  std::vector<std::string> log;
  {
    TOwnedCollection<Probe> items;
    auto* a = items.AddItem("a", &log);
    auto* b = items.AddItem("b", &log);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(a->Index(), 0);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(items.Items(1), b);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"b detached", "a detached"}));
}

TEST(Collection, RemovingAnItemTakesItOutBeforeItIsReleased) {
  std::vector<std::string> log;
  TOwnedCollection<Probe> items;
  auto* a = items.AddItem("a", &log);
  items.AddItem("b", &log);
  items.Remove(a);
  EXPECT_EQ(log, (std::vector<std::string>{"a detached"}));
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Items(0)->Index(), 0);
  items.Delete(5);  // out of range: nothing
  EXPECT_EQ(items.Count(), 1);
}

}  // namespace
}  // namespace vitrix
