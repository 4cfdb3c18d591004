#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/include/winbase.h"

namespace {

bool all_bytes_are(const void* block, std::size_t size, unsigned char value)
{
    auto* bytes = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != value) return false;
    return true;
}

TEST(LocalMemory, ZeroInitialisedBlocksAreZeroEvenWhenTheHeapReusesMemory)
{
    constexpr SIZE_T size = 4096;
    for (int round = 0; round < 8; ++round) {
        HLOCAL dirty = LocalAlloc(LMEM_FIXED, size);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xAA, size);
        EXPECT_EQ(LocalFree(dirty), nullptr);
        HLOCAL clean = LocalAlloc(LPTR, size);
        ASSERT_NE(clean, nullptr);
        EXPECT_TRUE(all_bytes_are(clean, size, 0));
        EXPECT_EQ(LocalSize(clean), size);
        EXPECT_EQ(LocalFree(clean), nullptr);
    }
}

TEST(LocalMemory, BadFreesAndOversizedRequestsFailCleanly)
{
    HLOCAL block = LocalAlloc(LPTR, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(LocalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block);  // freed twice
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int on_stack = 0;
    EXPECT_EQ(LocalFree(&on_stack), &on_stack);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    EXPECT_EQ(LocalSize(&on_stack), 0u);

    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LPTR, SIZE_MAX), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(LocalAlloc(LMEM_FIXED, SIZE_T(0x80000000u)), nullptr);
    EXPECT_EQ(LocalAlloc(0x1000, 8), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(LocalSize(empty), 0u);
    EXPECT_EQ(LocalFree(empty), nullptr);
}

TEST(LocalMemory, ReallocationMovesOnlyWhenAllowed)
{
    auto* block = static_cast<char*>(LocalAlloc(LMEM_FIXED, 8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "velmor!", 8);

    EXPECT_EQ(LocalReAlloc(block, 4, 0), block);  // shrinks in place
    EXPECT_EQ(LocalSize(block), 4u);
    SetLastError(0);
    EXPECT_EQ(LocalReAlloc(block, 64, 0), nullptr);  // a fixed block cannot grow without moving
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(LocalSize(block), 4u);

    auto* grown = static_cast<char*>(LocalReAlloc(block, 4096, LMEM_MOVEABLE | LMEM_ZEROINIT));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "velm", 4), 0);
    EXPECT_TRUE(all_bytes_are(grown + 4, 4092, 0));
    EXPECT_EQ(LocalSize(grown), 4096u);
    EXPECT_EQ(LocalReAlloc(grown, SIZE_MAX, LMEM_MOVEABLE), nullptr);
    EXPECT_EQ(LocalSize(grown), 4096u);
    EXPECT_EQ(LocalFree(grown), nullptr);
    EXPECT_EQ(LocalReAlloc(grown, 8, LMEM_MOVEABLE), nullptr);
}

}  // namespace
