// The video input category: the component's inputs first, at most ten kept,
// and a component without inputs or functions is no obstacle.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "graph_test_sources.h"
#include "tool/capture_graph.h"
#include "tool/video_input_category.h"

namespace pixmender {
namespace {

// A component with a configurable number of inputs that records which inputs
// were named and made (plain functions, as the component's table holds).
struct FakeInputs {
  static int32_t count;
  static std::set<int32_t> named;
  static std::set<int32_t> made;
  static void Reset(int32_t inputs) {
    count = inputs;
    named.clear();
    made.clear();
  }
  static int32_t Count() { return count; }
  static TalvexResult Name(int32_t index, char* name, uint32_t size) {
    named.insert(index);
    std::snprintf(name, size, "Talvex Camera %d", static_cast<int>(index));
    return TALVEX_OK;
  }
  static void* Create(int32_t index) {
    made.insert(index);
    return testing::MakeCameraUpTo(320 + 16 * index, 240);
  }
};
int32_t FakeInputs::count = 0;
std::set<int32_t> FakeInputs::named;
std::set<int32_t> FakeInputs::made;

TalvexComponentApi FakeComponent() {
  TalvexComponentApi api{};
  api.VideoInputCount = &FakeInputs::Count;
  api.VideoInputName = &FakeInputs::Name;
  api.CreateVideoSource = &FakeInputs::Create;
  return api;
}

TEST(GraphCategory, ListsTheComponentInputsFirstInTheirOrder) {
  FakeInputs::Reset(2);
  const TalvexComponentApi api = FakeComponent();
  const auto devices = EnumerateVideoInputs(&api);
  ASSERT_GE(devices.size(), 2u);
  EXPECT_EQ(devices[0].name, "Talvex Camera 0");
  EXPECT_EQ(devices[1].name, "Talvex Camera 1");
  // Listing makes no source.
  EXPECT_TRUE(FakeInputs::made.empty());
}

TEST(GraphCategory, KeepsTenAndDoesNotLookAtTheEleventh) {
  FakeInputs::Reset(11);
  const TalvexComponentApi api = FakeComponent();
  const auto devices = EnumerateVideoInputs(&api);
  ASSERT_EQ(devices.size(), 10u);
  EXPECT_EQ(FakeInputs::named.count(10), 0u);
  EXPECT_EQ(devices[9].name, "Talvex Camera 9");
}

TEST(GraphCategory, NullComponentOrMissingFunctionsAreFine) {
  EXPECT_LE(EnumerateVideoInputs(nullptr).size(), 10u);
  const TalvexComponentApi empty{};
  EXPECT_LE(EnumerateVideoInputs(&empty).size(), 10u);
  // Inputs without a name function or a source function are listed unnamed
  // and make no source.
  FakeInputs::Reset(1);
  TalvexComponentApi countOnly{};
  countOnly.VideoInputCount = &FakeInputs::Count;
  const auto devices = EnumerateVideoInputs(&countOnly);
  ASSERT_GE(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "");
  EXPECT_EQ(devices[0].createSource(), nullptr);
}

TEST(GraphCategory, TheGraphBindsTheComponentInputAtTheIndex) {
  FakeInputs::Reset(2);
  const TalvexComponentApi api = FakeComponent();
  CaptureGraph graph([&api] { return EnumerateVideoInputs(&api); }, nullptr);
  ASSERT_EQ(graph.Build(1, 1600, 1200), 0);
  EXPECT_EQ(FakeInputs::made, std::set<int32_t>{1});
  EXPECT_EQ(graph.CaptureWidth(), 336);
  EXPECT_EQ(graph.CaptureHeight(), 240);
}

}  // namespace
}  // namespace pixmender
