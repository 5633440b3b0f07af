#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/core/Block.h"
#include "runtime/core/BlockPool.h"
#include "runtime/core/Chain.h"

namespace sondrel::core {
namespace {

bool allZero(const void* memory, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(memory);
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(Block, CarriesItsSizeAndZeroFillsGrowth) {
    BlockPtr block(BlockAlloc(40));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(BlockSize(block.get()), 40u);
    EXPECT_TRUE(allZero(block.get(), 40));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % alignof(std::max_align_t), 0u);
    std::memset(block.get(), 0xAB, 40);
    void* grown = BlockResize(block.get(), 4000);
    ASSERT_NE(grown, nullptr);
    static_cast<void>(block.release());
    block.reset(grown);
    EXPECT_EQ(BlockSize(grown), 4000u);
    EXPECT_EQ(static_cast<unsigned char*>(grown)[39], 0xAB);
    EXPECT_TRUE(allZero(static_cast<unsigned char*>(grown) + 40, 3960));

    EXPECT_EQ(BlockResize(nullptr, 8), nullptr);
    EXPECT_EQ(BlockSize(nullptr), 0u);
    BlockFree(nullptr);
    EXPECT_EQ(BlockAlloc(SIZE_MAX), nullptr);
    EXPECT_EQ(BlockAllocRaw(SIZE_MAX - 4), nullptr);
    EXPECT_EQ(BlockResize(grown, SIZE_MAX), nullptr); // and `grown` stays valid
    EXPECT_EQ(BlockSize(grown), 4000u);
}

TEST(BlockPool, ChunksGrowWithThePool) {
    BlockPoolPtr pool = CreateBlockPool(24, 16, 65536);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->blockSize(), 32u);
    std::vector<void*> blocks;
    for (int i = 0; i < 512; ++i) {
        blocks.push_back(TakePoolBlock(pool.get()));
        ASSERT_NE(blocks.back(), nullptr);
    }
    EXPECT_EQ(pool->totalBlocks(), 512u);
    EXPECT_EQ(pool->chunkCount(), 32u); // 16 blocks each
    blocks.push_back(TakePoolBlock(pool.get()));
    EXPECT_EQ(pool->totalBlocks(), 544u); // the next chunk holds 32
    for (void* block : blocks) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 8, 0u);
        ReturnPoolBlock(pool.get(), block);
    }
    EXPECT_EQ(pool->totalBlocks(), 0u);
    EXPECT_EQ(pool->chunkCount(), 0u);

    BlockPoolPtr capped = CreateBlockPool(8, 16, 20, kPoolWithoutLock);
    for (int i = 0; i < 1000; ++i) {
        TakePoolBlock(capped.get()); // freed with the pool
    }
    // 32 chunks of 16 up to 512 blocks, then 25 chunks of 20 (not 32) for the rest.
    EXPECT_EQ(capped->totalBlocks(), 1012u);
    EXPECT_EQ(capped->chunkCount(), 57u);
}

TEST(BlockPool, ReturnedBlocksAreReusedAndFullChunksFreed) {
    BlockPoolPtr pool = CreateBlockPool(16, 16, 16);
    std::vector<void*> blocks;
    for (int i = 0; i < 17; ++i) {
        blocks.push_back(TakePoolBlock(pool.get()));
    }
    EXPECT_EQ(pool->chunkCount(), 2u);
    // Returning every block of the second chunk frees it.
    ReturnPoolBlock(pool.get(), blocks[16]);
    EXPECT_EQ(pool->chunkCount(), 1u);
    // A block of the full first chunk comes back, keeping its contents but
    // its first word, and is the next one taken.
    std::memset(blocks[3], 0x5A, 16);
    ReturnPoolBlock(pool.get(), blocks[3]);
    void* again = TakePoolBlock(pool.get());
    EXPECT_EQ(again, blocks[3]);
    EXPECT_EQ(static_cast<unsigned char*>(again)[8], 0x5A);
    ReturnPoolBlock(pool.get(), again);
    again = TakeZeroedPoolBlock(pool.get());
    EXPECT_TRUE(allZero(again, 16));
    ReturnPoolBlock(pool.get(), nullptr);
    EXPECT_EQ(TakePoolBlock(nullptr), nullptr);
}

TEST(BlockPool, SharedPoolsAreCountedByTheirUsers) {
    BlockPoolPtr first = CreateBlockPool(40, 16, 65536, kPoolShared);
    BlockPoolPtr second = CreateBlockPool(36, 16, 65536, kPoolShared); // same block size
    BlockPoolPtr other = CreateBlockPool(64, 16, 65536, kPoolShared);
    BlockPoolPtr unlocked = CreateBlockPool(40, 16, 65536, kPoolShared | kPoolWithoutLock);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_NE(first.get(), other.get());
    EXPECT_NE(first.get(), unlocked.get());
    void* block = TakePoolBlock(second.get());
    first.reset(); // one user left: the pool stays
    ReturnPoolBlock(second.get(), block);
    EXPECT_NE(TakePoolBlock(second.get()), nullptr);
    second.reset();
    BlockPoolPtr fresh = CreateBlockPool(40, 16, 65536, kPoolShared);
    EXPECT_EQ(fresh->totalBlocks(), 0u); // a new pool after the last user left
}

TEST(Chain, LinksNodesAtTheFrontAndAfterANode) {
    void* head = nullptr;
    auto* a = static_cast<int*>(ChainPush(head, sizeof(int)));
    auto* b = static_cast<int*>(ChainPush(head, sizeof(int)));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(*a, 0); // zero-filled
    *a = 1;
    *b = 2;
    auto* c = static_cast<int*>(ChainInsertAfter(b, sizeof(int)));
    *c = 3;
    std::vector<int> order;
    for (void* node = head; node != nullptr; node = ChainNext(node)) {
        order.push_back(*static_cast<int*>(node));
    }
    EXPECT_EQ(order, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(ChainPrevious(a), c);
    EXPECT_TRUE(ChainContains(head, c));
    int outside = 0;
    EXPECT_FALSE(ChainContains(head, &outside));

    ChainRemove(head, b); // the first: the head moves on
    EXPECT_EQ(head, c);
    EXPECT_EQ(ChainPrevious(c), nullptr);
    ChainRemove(head, a); // the last
    EXPECT_EQ(ChainNext(c), nullptr);
    EXPECT_FALSE(ChainContains(head, a));
    ChainRemove(head, nullptr);
    ChainClear(head);
    EXPECT_EQ(head, nullptr);
}

} // namespace
} // namespace sondrel::core
