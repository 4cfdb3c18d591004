#include <gtest/gtest.h>

#include <set>

#include "platform/include/winbase.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel_object.h"

namespace {

struct Thing : platform::KernelObject {
    bool* closed = nullptr;
    const char* kind() const override { return "thing"; }
    void on_close() override
    {
        if (closed) *closed = true;
    }
};

TEST(HandleTable, ValuesAreSmallDistinctAndNotReusedAfterRemoval)
{
    platform::HandleTable<int> table(0x10, 4);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 100; ++i) {
        std::uint32_t value = table.insert(std::make_shared<int>(i));
        EXPECT_GE(value, 0x10u);
        EXPECT_TRUE(seen.insert(value).second);
    }
    std::uint32_t first = *seen.begin();
    ASSERT_NE(table.remove(first), nullptr);
    EXPECT_EQ(table.find(first), nullptr);
    EXPECT_EQ(table.remove(first), nullptr);
    EXPECT_EQ(seen.count(table.insert(std::make_shared<int>(7))), 0u);
}

TEST(KernelObjects, CloseHandleClosesOnceAndRejectsUnknownHandles)
{
    bool closed = false;
    auto thing = std::make_shared<Thing>();
    thing->closed = &closed;
    HANDLE handle = platform::insert_kernel_object(thing);
    EXPECT_LE(reinterpret_cast<std::uintptr_t>(handle), 0xFFFFFFFFu);
    EXPECT_EQ(platform::find_kernel_object_as<Thing>(handle), thing);

    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_TRUE(closed);
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

}  // namespace
