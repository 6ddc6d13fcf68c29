#include <gtest/gtest.h>

#include "platform/ce.h"

namespace {

TEST(HeapTest, ZeroFillOnAllocAndGrowth) {
  const HANDLE heap = GetProcessHeap();
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[i], 0);
  for (int i = 0; i < 16; ++i) block[i] = static_cast<unsigned char>(i + 1);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block[i], i + 1);
  for (int i = 16; i < 64; ++i) EXPECT_EQ(block[i], 0);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 8));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[7], 8);
  EXPECT_TRUE(HeapFree(heap, 0, block));
}

}  // namespace

namespace {

TEST(HeapTest, GrowthAndShrinkKeepTheBytesAcrossBlockSizes) {
  // From a small block to a large one and back: the contents move along.
  const HANDLE heap = GetProcessHeap();
  auto* block = static_cast<unsigned char*>(HeapAlloc(heap, 0, 32));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 32; ++i) block[i] = static_cast<unsigned char>(i + 1);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, 8192));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], i + 1);
  for (int i = 32; i < 8192; ++i) ASSERT_EQ(block[i], 0) << i;
  block = static_cast<unsigned char*>(HeapReAlloc(heap, 0, block, 16384));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[31], 32);
  block = static_cast<unsigned char*>(HeapReAlloc(heap, 0, block, 24));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(block[i], i + 1);
  EXPECT_TRUE(HeapFree(heap, 0, block));
  EXPECT_EQ(HeapAlloc(heap, 0, SIZE_T{0x80000000}), nullptr);
}

}  // namespace
