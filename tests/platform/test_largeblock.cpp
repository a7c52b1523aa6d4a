#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "LargeBlock.h"

TEST(LargeBlock, VectorsGrowAcrossTheThreshold) {
    std::vector<int32_t, largeblock::Allocator<int32_t>> v;
    const int32_t n = 3 * static_cast<int32_t>(largeblock::kThreshold / sizeof(int32_t));
    for (int32_t i = 0; i < n; ++i) v.push_back(i * 7);
    int64_t sum = 0;
    for (int32_t i = 0; i < n; i += 4099) {
        ASSERT_EQ(v[static_cast<size_t>(i)], i * 7);
        sum += v[static_cast<size_t>(i)];
    }
    EXPECT_GT(sum, 0);
    v.resize(10);
    v.shrink_to_fit();
    EXPECT_EQ(v.back(), 63);
}
