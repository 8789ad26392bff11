#include <gtest/gtest.h>

#include "dll_harness.h"
#include "plugin/entry_points.h"

namespace {

using tarno_test::PluginDll;

TEST(EntryPointsDllTest, OffersExactlyOneSetNamedForTheContest) {
  PluginDll dll;
  ASSERT_TRUE(dll.loaded()) << dll.error();
  auto* get_number_of_sets = dll.Entry<decltype(GetNumberOfSets)>("GetNumberOfSets");
  auto* get_set_name = dll.Entry<decltype(GetSetName)>("GetSetName");
  ASSERT_NE(get_number_of_sets, nullptr);
  ASSERT_NE(get_set_name, nullptr);

  EXPECT_EQ(get_number_of_sets(), 1);
  EXPECT_STREQ(get_set_name(0), "TARNO Contest (C)");
  const char* beyond = get_set_name(1);
  ASSERT_NE(beyond, nullptr);
  EXPECT_STREQ(beyond, "");
}

}  // namespace
