#include "memory/block_heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

struct Block {
  void* memory;
  std::size_t size;
};

// Fills every block with a pattern of its own and checks that no block overwrote
// another; the sanitizer build also catches any use of a freed chunk.
void FillAndCheck(const std::vector<Block>& blocks) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    std::memset(blocks[i].memory, static_cast<int>(i & 0xFF), blocks[i].size);
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto* bytes = static_cast<const unsigned char*>(blocks[i].memory);
    for (std::size_t b = 0; b < blocks[i].size; ++b) ASSERT_EQ(bytes[b], i & 0xFF) << i;
  }
}

TEST(BlockHeapTest, BlocksOfEverySizeAreAlignedAndApart) {
  std::vector<Block> blocks;
  for (std::size_t size = 0; size <= System::kMaxBlockSize + 64; size += 7) {
    blocks.push_back({System::AllocateBlock(size), size});
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back().memory) % alignof(void*), 0u) << size;
  }
  FillAndCheck(blocks);
  for (const Block& block : blocks) System::FreeBlock(block.memory, block.size);
}

TEST(BlockHeapTest, FreesInAnyOrderGiveEveryChunkBack) {
  // Enough blocks for many chunks; the sanitizer build reports any chunk kept.
  std::vector<Block> blocks;
  std::mt19937 random(5);
  for (int i = 0; i < 20000; ++i) {
    const std::size_t size = random() % 200;
    blocks.push_back({System::AllocateBlock(size), size});
  }
  FillAndCheck(blocks);
  std::shuffle(blocks.begin(), blocks.end(), random);
  for (const Block& block : blocks) System::FreeBlock(block.memory, block.size);
  System::FreeBlock(nullptr, 10);  // ignored
}

TEST(BlockHeapTest, BlocksOutliveTheThreadThatMadeThem) {
  std::vector<Block> blocks;
  std::thread maker([&blocks] {
    for (int i = 0; i < 3000; ++i) blocks.push_back({System::AllocateBlock(48), 48});
  });
  maker.join();
  FillAndCheck(blocks);
  for (const Block& block : blocks) System::FreeBlock(block.memory, block.size);
}

TEST(BlockHeapTest, ASharedBlockLivesUntilItsLastOwnerFreesIt) {
  if (!System::kBlocksShareable) GTEST_SKIP() << "blocks are not shared in sanitizer builds";
  // Blocks enough for several chunks, each shared by two owners. Once every first owner
  // has freed its block, new blocks must not take their memory.
  std::vector<Block> shared;
  for (int i = 0; i < 5000; ++i) {
    shared.push_back({System::AllocateBlock(40), 40});
    System::RetainBlock(shared.back().memory, 40);
  }
  FillAndCheck(shared);
  for (const Block& block : shared) System::FreeBlock(block.memory, block.size);
  std::vector<Block> later;
  for (int i = 0; i < 5000; ++i) {
    later.push_back({System::AllocateBlock(40), 40});
    std::memset(later.back().memory, 0xEE, 40);
  }
  for (std::size_t i = 0; i < shared.size(); ++i) {
    const auto* bytes = static_cast<const unsigned char*>(shared[i].memory);
    for (std::size_t b = 0; b < 40; ++b) ASSERT_EQ(bytes[b], i & 0xFF) << i;
  }
  for (const Block& block : shared) System::FreeBlock(block.memory, block.size);
  for (const Block& block : later) System::FreeBlock(block.memory, block.size);
}

std::vector<void*> observed;

TEST(BlockHeapTest, TheObserverSeesSmallAndLargeFrees) {
  void* small = System::AllocateBlock(10);
  void* large = System::AllocateBlock(System::kMaxBlockSize + 1);
  System::ObserveBlockFrees([](void* block) { observed.push_back(block); });
  System::FreeBlock(large, System::kMaxBlockSize + 1);
  System::FreeBlock(small, 10);
  System::ObserveBlockFrees(nullptr);
  EXPECT_EQ(observed, (std::vector<void*>{large, small}));
}

#if defined(__SANITIZE_ADDRESS__)
// A read of any byte but the ones asked for: a block's padding, or a freed block.
unsigned char ReadByte(const void* memory, std::size_t offset) {
  return static_cast<const volatile unsigned char*>(memory)[offset];
}

TEST(BlockHeapDeathTest, TheSanitizerSeesPaddingAndFreedBlocksAsUnusable) {
  void* block = System::AllocateBlock(5);
  EXPECT_EQ(ReadByte(block, 4), ReadByte(block, 4));
  EXPECT_DEATH(ReadByte(block, 5), "use-after-poison");
  System::FreeBlock(block, 5);
  EXPECT_DEATH(ReadByte(block, 0), "use-after-poison");
}
#endif

}  // namespace
