// Behaviour shared by all ten list types, run as one typed suite over each of them.
#include "lists/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <ranges>
#include <vector>

namespace lists {
namespace {

template <typename L>
class ListTest : public ::testing::Test {
 protected:
  using T = typename L::value_type;

  static L Make(std::initializer_list<int> values) {
    L list;
    for (int v : values) list.PushBack(static_cast<T>(v));
    return list;
  }
  // Where each element's value lives: the same address means the same node.
  static std::vector<const T*> Addresses(const L& list) {
    std::vector<const T*> out;
    for (auto it = list.Begin(); it != list.End(); it.Next()) out.push_back(it.Value());
    return out;
  }
  // Walks both ways, so a broken back link shows as well as a broken forward one.
  static void ExpectHolds(const L& list, std::initializer_list<int> values) {
    std::vector<T> expected;
    for (int v : values) expected.push_back(static_cast<T>(v));
    EXPECT_EQ(std::vector<T>(list.begin(), list.end()), expected);
    std::ranges::reverse(expected);
    EXPECT_EQ(std::vector<T>(std::reverse_iterator(list.end()), std::reverse_iterator(list.begin())),
              expected);
    EXPECT_EQ(list.Size(), values.size());
  }
};

using AllLists = ::testing::Types<ListU8, ListU16, ListU32, ListU64, ListI8, ListI16, ListI32,
                                  ListI64, ListF32, ListF64>;
TYPED_TEST_SUITE(ListTest, AllLists);

TYPED_TEST(ListTest, PushesAndPopsWalkBothWays) {
  using T = typename TypeParam::value_type;
  TypeParam list;
  this->ExpectHolds(list, {});
  for (int v : {1, 2, 3}) list.PushBack(T(v));
  list.PushFront(0);
  this->ExpectHolds(list, {0, 1, 2, 3});
  EXPECT_EQ(*list.Front(), T{0});
  EXPECT_EQ(*list.Back(), T{3});
  list.PopFront();
  list.PopBack();
  this->ExpectHolds(list, {1, 2});
  auto it = list.Begin();  // the post steps return the position before the step
  EXPECT_EQ(it.PostNext(), list.Begin());
  EXPECT_EQ(*it, T{2});
  EXPECT_EQ(it.PostPrev(), std::next(list.Begin()));
  EXPECT_EQ(it, list.Begin());
}

TYPED_TEST(ListTest, EraseReturnsFollower) {
  using T = typename TypeParam::value_type;
  TypeParam list = this->Make({1, 2, 3});
  auto after = list.Erase(std::next(list.Begin()));
  EXPECT_EQ(*after, T{3});
  this->ExpectHolds(list, {1, 3});
  EXPECT_EQ(list.Erase(std::prev(list.End())), list.End());
  this->ExpectHolds(list, {1});

  list = this->Make({1, 2, 3, 4});
  auto last = std::prev(list.End());
  EXPECT_EQ(list.Erase(std::next(list.Begin()), last), last);
  this->ExpectHolds(list, {1, 4});
  list.Clear();
  this->ExpectHolds(list, {});
}

TYPED_TEST(ListTest, FillAssignReusesNodes) {
  using T = typename TypeParam::value_type;
  TypeParam list = this->Make({1, 2, 3, 4, 5});
  auto before = this->Addresses(list);
  list.Assign(2u, T{7});
  this->ExpectHolds(list, {7, 7});
  EXPECT_EQ(this->Addresses(list), decltype(before)(before.begin(), before.begin() + 2));

  list.Assign(4u, *list.Back());  // the value may be an element of the list itself
  this->ExpectHolds(list, {7, 7, 7, 7});
  EXPECT_EQ(this->Addresses(list)[1], before[1]);

  list.Assign(0u, T{9});
  this->ExpectHolds(list, {});
}

TYPED_TEST(ListTest, RangeAssignReusesNodes) {
  TypeParam list = this->Make({5, 6, 7, 8, 9});
  auto nodes = this->Addresses(list);
  list.Assign(std::next(list.Begin(), 2), list.End());  // from its own tail
  this->ExpectHolds(list, {7, 8, 9});
  list.Assign(list);
  this->ExpectHolds(list, {7, 8, 9});
  list.Assign(this->Make({1, 2, 3}));
  this->ExpectHolds(list, {1, 2, 3});
  nodes.resize(3);
  EXPECT_EQ(this->Addresses(list), nodes);

  const TypeParam source = this->Make({5, 6, 7, 8, 9});
  list.Assign(source.Begin(), source.End());
  this->ExpectHolds(list, {5, 6, 7, 8, 9});
  auto grown = this->Addresses(list);
  EXPECT_TRUE(std::equal(nodes.begin(), nodes.end(), grown.begin()));

  list.Assign(source.End(), source.End());
  this->ExpectHolds(list, {});
}

TYPED_TEST(ListTest, RemoveAndRemoveIfTakeEveryMatch) {
  using T = typename TypeParam::value_type;
  TypeParam list = this->Make({2, 1, 2, 2, 3, 2});
  list.Remove(T{2});
  this->ExpectHolds(list, {1, 3});
  list.Remove(*list.Front());  // the value read from a node that goes first
  this->ExpectHolds(list, {3});
  list.Remove(T{3});
  this->ExpectHolds(list, {});

  list = this->Make({1, 2, 3, 4, 5, 6});
  list.RemoveIf([](const T* v) { return static_cast<int>(*v) % 2 == 0; });
  this->ExpectHolds(list, {1, 3, 5});
}

TYPED_TEST(ListTest, FillInsert) {
  using T = typename TypeParam::value_type;
  TypeParam list;
  auto first = list.Insert(list.End(), 3u, T{4});
  EXPECT_EQ(first, list.Begin());
  this->ExpectHolds(list, {4, 4, 4});

  first = list.Insert(std::next(list.Begin()), 2u, T{1});
  EXPECT_EQ(first, std::next(list.Begin()));
  this->ExpectHolds(list, {4, 1, 1, 4, 4});

  EXPECT_EQ(list.Insert(list.Begin(), 0u, T{1}), typename TypeParam::iterator{});
  EXPECT_EQ(list.Size(), 5u);
}

TYPED_TEST(ListTest, RangeInsertKeepsOrder) {
  TypeParam list = this->Make({1, 5});
  const TypeParam middle = this->Make({2, 3, 4});
  list.Insert(std::next(list.Begin()), middle.Begin(), middle.End());
  this->ExpectHolds(list, {1, 2, 3, 4, 5});
  this->ExpectHolds(middle, {2, 3, 4});

  // A range read from the list it grows is copied before any of it is linked.
  list.Insert(list.End(), list.Begin(), list.End());
  this->ExpectHolds(list, {1, 2, 3, 4, 5, 1, 2, 3, 4, 5});
}

TYPED_TEST(ListTest, CopiesAreIndependent) {
  using T = typename TypeParam::value_type;
  const TypeParam original = this->Make({1, 2, 3});
  TypeParam copy(original);
  *copy.Front() = T{9};
  this->ExpectHolds(original, {1, 2, 3});
  this->ExpectHolds(copy, {9, 2, 3});

  TypeParam assigned = this->Make({8});
  assigned = original;
  assigned.PushBack(T{4});
  this->ExpectHolds(assigned, {1, 2, 3, 4});
  this->ExpectHolds(original, {1, 2, 3});
  assigned = std::as_const(assigned);
  this->ExpectHolds(assigned, {1, 2, 3, 4});

  TypeParam empty;
  TypeParam emptyCopy(empty);
  emptyCopy.PushBack(T{1});
  this->ExpectHolds(empty, {});
}

TYPED_TEST(ListTest, MovesRelinkToTheNewHead) {
  using T = typename TypeParam::value_type;
  TypeParam source = this->Make({1, 2, 3});
  auto second = std::next(source.Begin());
  TypeParam moved(std::move(source));
  this->ExpectHolds(moved, {1, 2, 3});
  EXPECT_EQ(*second, T{2});  // positions follow their nodes
  this->ExpectHolds(source, {});
  source.PushBack(T{5});  // a moved-from list stays usable
  this->ExpectHolds(source, {5});

  TypeParam target = this->Make({7, 8});
  target = std::move(moved);
  this->ExpectHolds(target, {1, 2, 3});
  this->ExpectHolds(moved, {});
  target = std::move(target);
  this->ExpectHolds(target, {1, 2, 3});

  TypeParam fromEmpty(std::move(moved));
  this->ExpectHolds(fromEmpty, {});
  fromEmpty.PushFront(T{1});
  this->ExpectHolds(fromEmpty, {1});
}

TYPED_TEST(ListTest, WorksWithStandardAlgorithms) {
  using T = typename TypeParam::value_type;
  TypeParam list = this->Make({1, 2, 3, 4});
  std::reverse(list.begin(), list.end());
  this->ExpectHolds(list, {4, 3, 2, 1});
  EXPECT_EQ(std::ranges::find(list, T{2}), std::prev(list.end(), 2));
}

TYPED_TEST(ListTest, MisuseStopsDebugBuilds) {
#ifdef NDEBUG
  GTEST_SKIP() << "assertions are compiled out";
#else
  TypeParam list;
  EXPECT_DEATH(list.Front(), "Front of an empty list");
  EXPECT_DEATH(list.Back(), "Back of an empty list");
  EXPECT_DEATH(list.PopFront(), "Erase at End");
  EXPECT_DEATH(list.PopBack(), "Erase at End");
  list.PushBack(1);
  EXPECT_DEATH(list.Erase(list.End()), "Erase at End");
  EXPECT_DEATH(*list.End(), "Value of the End position");
#endif
}

}  // namespace
}  // namespace lists
