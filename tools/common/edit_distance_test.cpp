#include "edit_distance.h"

#include <gtest/gtest.h>

namespace {

TEST(EditDistanceTest, CountsInsertionsDeletionsAndReplacements) {
  EXPECT_EQ(tool::EditDistance("", ""), 0);
  EXPECT_EQ(tool::EditDistance("events", "events"), 0);
  EXPECT_EQ(tool::EditDistance("evnts", "events"), 1);
  EXPECT_EQ(tool::EditDistance("eventsx", "events"), 1);
  EXPECT_EQ(tool::EditDistance("evants", "events"), 1);
  EXPECT_EQ(tool::EditDistance("kitten", "sitting"), 3);
  EXPECT_EQ(tool::EditDistance("", "abc"), 3);
  EXPECT_EQ(tool::EditDistance("abc", ""), 3);
}

}  // namespace
