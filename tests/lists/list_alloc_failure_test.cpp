// Lists when malloc fails: an operation that cannot get its nodes changes nothing.
// This program links with -Wl,--wrap=malloc, so every malloc call of the list code
// goes through __wrap_malloc below and can be made to fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <vector>

#include "lists/list.h"

namespace {
// Allocations still granted while failing is armed; negative: not armed.
int allocationsLeft = -1;
}  // namespace

extern "C" void* __real_malloc(size_t size);
extern "C" void* __wrap_malloc(size_t size) {
  if (allocationsLeft == 0) return nullptr;
  if (allocationsLeft > 0) --allocationsLeft;
  return __real_malloc(size);
}

namespace lists {
namespace {

struct FailureCase {
  const char* name;
  int granted;  // allocations that succeed before the failing one
  std::function<void(ListI32&)> operation;
};

void PrintTo(const FailureCase& failure, std::ostream* os) { *os << failure.name; }

class AllocationFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(AllocationFailureTest, LeavesTheListAsItWas) {
  ListI32 list;
  list.PushBack(1);
  list.PushBack(2);
  allocationsLeft = GetParam().granted;
  GetParam().operation(list);
  allocationsLeft = -1;
  EXPECT_EQ(std::vector<int32_t>(list.begin(), list.end()), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(*std::prev(list.End()).Prev().Value(), 1);  // back links intact
}

// Built before main, while malloc is not armed.
const ListI32 five = [] {
  ListI32 list;
  for (int32_t v = 5; v < 10; ++v) list.PushBack(v);
  return list;
}();

INSTANTIATE_TEST_SUITE_P(
    Lists, AllocationFailureTest,
    ::testing::Values(
        FailureCase{"InsertOne", 0,
                    [](ListI32& l) { EXPECT_EQ(l.Insert(l.Begin(), 7), l.End()); }},
        FailureCase{"PushFront", 0, [](ListI32& l) { EXPECT_EQ(l.PushFront(7), l.End()); }},
        FailureCase{"PushBack", 0, [](ListI32& l) { EXPECT_EQ(l.PushBack(7), l.End()); }},
        FailureCase{"InsertFill", 2,
                    [](ListI32& l) { EXPECT_EQ(l.Insert(l.End(), 3u, 7), l.End()); }},
        FailureCase{"InsertRange", 3,
                    [](ListI32& l) {
                      l.Insert(l.Begin(), five.Begin(), five.End());
                    }},
        FailureCase{"AssignFillGrowing", 2, [](ListI32& l) { l.Assign(5u, 7); }},
        FailureCase{"AssignRangeGrowing", 2, [](ListI32& l) { l.Assign(five); }},
        FailureCase{"CopyAssign", 0, [](ListI32& l) { l = five; }}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(AllocationFailureTest, ShrinkingNeedsNoAllocation) {
  ListI32 list(five);
  allocationsLeft = 0;
  list.Assign(2u, 7);
  allocationsLeft = -1;
  EXPECT_EQ(std::vector<int32_t>(list.begin(), list.end()), (std::vector<int32_t>{7, 7}));
}

TEST(AllocationFailureTest, FailedCopyIsEmpty) {
  allocationsLeft = 1;
  ListI32 copy(five);
  allocationsLeft = -1;
  EXPECT_EQ(copy.Begin(), copy.End());
  copy.PushBack(3);
  EXPECT_EQ(copy.Size(), 1u);
}

}  // namespace
}  // namespace lists
