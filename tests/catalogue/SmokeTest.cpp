#include <gtest/gtest.h>

#include "ListFile.h"

TEST(DefaultCatalogue, IsCompiledIn) { EXPECT_EQ(kDefaultCatalogue.size(), 5689u); }
