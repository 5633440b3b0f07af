#include <gtest/gtest.h>
int sondrelPlaceholder();
TEST(Placeholder, Works) { EXPECT_EQ(sondrelPlaceholder(), 1); }
