#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "platform/include/msgqueue.h"
#include "platform/include/synchapi.h"
#include "platform/include/winbase.h"
#include "platform/kernel/clock.h"
#include "platform/msgqueue/queue_registry.h"
#include "platform/sync/waitable.h"

namespace {

MSGQUEUEOPTIONS options(DWORD max_messages, DWORD max_message_size, bool reader, DWORD flags = 0)
{
    MSGQUEUEOPTIONS result {};
    result.dwSize = sizeof(MSGQUEUEOPTIONS);
    result.dwFlags = flags;
    result.dwMaxMessages = max_messages;
    result.cbMaxMessage = max_message_size;
    result.bReadAccess = reader ? TRUE : FALSE;
    return result;
}

HANDLE create(LPCWSTR name, MSGQUEUEOPTIONS queue_options) { return CreateMsgQueue(name, &queue_options); }

BOOL write_value(HANDLE queue, DWORD value, DWORD timeout = 0, DWORD flags = 0)
{
    return WriteMsgQueue(queue, &value, sizeof(value), timeout, flags);
}

// The value of the next message, or the error of the read.
struct ReadResult {
    BOOL ok;
    DWORD value;
    DWORD flags;
    DWORD error;
};

ReadResult read_value(HANDLE queue, DWORD timeout = 0)
{
    ReadResult result {};
    DWORD bytes = 0;
    result.ok = ReadMsgQueue(queue, &result.value, sizeof(result.value), &bytes, timeout, &result.flags);
    result.error = result.ok ? 0 : GetLastError();
    return result;
}

DWORD last_error() { return GetLastError(); }

class MsgQueueTest : public ::testing::Test {
protected:
    void SetUp() override { platform::clock::reset(platform::clock::Mode::virtual_time, 0); }
};

TEST_F(MsgQueueTest, BadOptionsAreRefused)
{
    SetLastError(0);
    EXPECT_EQ(CreateMsgQueue(u"Q", nullptr), nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_PARAMETER));
    MSGQUEUEOPTIONS wrong = options(4, 4, true);
    wrong.dwSize = 16;
    EXPECT_EQ(CreateMsgQueue(u"Q", &wrong), nullptr);
    EXPECT_EQ(create(u"Q", options(4, 4, true, 0x80)), nullptr);
    EXPECT_EQ(create(u"Q", options(4, 0, true)), nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_PARAMETER));

    // Reserving every message up front needs the memory at once.
    EXPECT_EQ(create(nullptr, options(100000, 1 << 20, true)), nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_OUTOFMEMORY));
    HANDLE lazy = create(nullptr, options(100000, 1 << 20, true, MSGQUEUE_NOPRECOMMIT));
    ASSERT_NE(lazy, nullptr);
    EXPECT_TRUE(CloseMsgQueue(lazy));
}

TEST_F(MsgQueueTest, NamedQueueJoinsReaderAndWriterEnds)
{
    HANDLE writer = create(u"Shared", options(4, 12, false));
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_SUCCESS));
    HANDLE reader = create(u"Shared", options(99, 99, true));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_ALREADY_EXISTS));

    std::uint32_t record[3] = {1, 0x1A4, 20};
    EXPECT_TRUE(WriteMsgQueue(writer, record, sizeof(record), 0, 0));
    std::uint32_t received[4] = {};
    DWORD bytes = 0;
    DWORD flags = 0xFF;
    EXPECT_TRUE(ReadMsgQueue(reader, received, sizeof(received), &bytes, 0, &flags));
    EXPECT_EQ(bytes, 12u);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(std::memcmp(received, record, 12), 0);

    // Each handle is one end only.
    EXPECT_FALSE(ReadMsgQueue(writer, received, sizeof(received), &bytes, 0, &flags));
    EXPECT_EQ(last_error(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(write_value(reader, 1));
    EXPECT_EQ(last_error(), DWORD(ERROR_ACCESS_DENIED));

    // The first creator's limits hold for everyone.
    MSGQUEUEINFO info {};
    info.dwSize = sizeof(info);
    EXPECT_TRUE(GetMsgQueueInfo(reader, &info));
    EXPECT_EQ(info.dwMaxMessages, 4u);
    EXPECT_EQ(info.cbMaxMessage, 12u);
    EXPECT_EQ(info.wNumReaders, 1);
    EXPECT_EQ(info.wNumWriters, 1);
    info.dwSize = 20;
    EXPECT_FALSE(GetMsgQueueInfo(reader, &info));

    EXPECT_TRUE(CloseMsgQueue(writer));
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_FALSE(CloseMsgQueue(reader));
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(platform::msgqueue::peek_messages(u"Shared").has_value());
}

TEST_F(MsgQueueTest, SizeAndCountLimits)
{
    HANDLE reader = create(u"Limits", options(2, 4, true));
    HANDLE writer = create(u"Limits", options(99, 99, false));
    ASSERT_NE(writer, nullptr);

    std::uint8_t big[5] = {};
    EXPECT_FALSE(WriteMsgQueue(writer, big, sizeof(big), 0, 0));
    EXPECT_EQ(last_error(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_TRUE(write_value(writer, 1));
    EXPECT_TRUE(write_value(writer, 2));
    EXPECT_FALSE(write_value(writer, 3));
    EXPECT_EQ(last_error(), DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(platform::clock::now(), 0u);

    // A timed wait on a full queue lets virtual time pass, then gives up.
    EXPECT_FALSE(write_value(writer, 3, 500));
    EXPECT_EQ(last_error(), DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(platform::clock::now(), 500u);

    EXPECT_EQ(read_value(reader).value, 1u);
    EXPECT_TRUE(write_value(writer, 3));
    EXPECT_EQ(read_value(reader).value, 2u);
    EXPECT_EQ(read_value(reader).value, 3u);
    ReadResult empty = read_value(reader, 250);
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.error, DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(platform::clock::now(), 750u);
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
}

TEST_F(MsgQueueTest, TooSmallReadBufferKeepsTheMessage)
{
    HANDLE reader = create(u"Small", options(4, 12, true));
    HANDLE writer = create(u"Small", options(4, 12, false));
    std::uint8_t record[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(WriteMsgQueue(writer, record, sizeof(record), 0, 0));

    std::uint8_t buffer[12] = {};
    DWORD bytes = 0;
    DWORD flags = 0;
    EXPECT_FALSE(ReadMsgQueue(reader, buffer, 8, &bytes, 0, &flags));
    EXPECT_EQ(last_error(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(bytes, 12u);
    EXPECT_TRUE(ReadMsgQueue(reader, buffer, sizeof(buffer), &bytes, 0, &flags));
    EXPECT_EQ(std::memcmp(buffer, record, 12), 0);

    EXPECT_FALSE(ReadMsgQueue(reader, buffer, sizeof(buffer), nullptr, 0, &flags));
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_PARAMETER));
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
}

TEST_F(MsgQueueTest, MissingOtherEndBreaksTheQueueUnlessAllowed)
{
    HANDLE writer = create(u"Lonely", options(4, 4, false));
    EXPECT_FALSE(write_value(writer, 1));
    EXPECT_EQ(last_error(), DWORD(ERROR_PIPE_NOT_CONNECTED));
    HANDLE reader = create(u"Lonely", options(4, 4, true));
    EXPECT_TRUE(write_value(writer, 1));
    CloseMsgQueue(writer);
    // What was written before the writer left can still be read.
    EXPECT_EQ(read_value(reader).value, 1u);
    EXPECT_EQ(read_value(reader, INFINITE).error, DWORD(ERROR_PIPE_NOT_CONNECTED));
    CloseMsgQueue(reader);

    // The shell's notification queue: a writer that carries on without a reader.
    HANDLE notify = create(u"QueueNameOfShellNotifyMessage", options(16, 12, false, MSGQUEUE_ALLOW_BROKEN));
    ASSERT_NE(notify, nullptr);
    for (std::uint32_t i = 0; i < 16; ++i) {
        std::uint32_t record[3] = {1, 0x100 + i, 20};
        EXPECT_TRUE(WriteMsgQueue(notify, record, 12, 0, 0)) << i;
    }
    EXPECT_FALSE(write_value(notify, 99));
    EXPECT_EQ(last_error(), DWORD(ERROR_TIMEOUT));
    auto held = platform::msgqueue::peek_messages(u"QueueNameOfShellNotifyMessage");
    ASSERT_TRUE(held.has_value());
    ASSERT_EQ(held->size(), 16u);
    EXPECT_EQ(held->back().data.size(), 12u);
    EXPECT_EQ(held->back().data[4], 0x0F);
    EXPECT_EQ(held->back().data[5], 0x01);

    HANDLE shell = create(u"QueueNameOfShellNotifyMessage", options(0, 12, true, MSGQUEUE_ALLOW_BROKEN));
    CloseMsgQueue(notify);
    std::uint32_t record[3] = {};
    DWORD bytes = 0;
    DWORD flags = 0;
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(ReadMsgQueue(shell, record, 12, &bytes, 0, &flags));
    EXPECT_FALSE(ReadMsgQueue(shell, record, 12, &bytes, 0, &flags));
    EXPECT_EQ(last_error(), DWORD(ERROR_TIMEOUT));
    CloseMsgQueue(shell);
}

TEST_F(MsgQueueTest, AlertsOvertakeOrdinaryMessages)
{
    HANDLE reader = create(u"Alerts", options(8, 4, true));
    HANDLE writer = create(u"Alerts", options(8, 4, false));
    write_value(writer, 1);
    write_value(writer, 2);
    write_value(writer, 10, 0, MSGQUEUE_MSGALERT);
    write_value(writer, 11, 0, MSGQUEUE_MSGALERT);
    EXPECT_FALSE(write_value(writer, 3, 0, 0x10));
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_PARAMETER));

    DWORD expected_values[] = {10, 11, 1, 2};
    DWORD expected_flags[] = {MSGQUEUE_MSGALERT, MSGQUEUE_MSGALERT, 0, 0};
    for (int i = 0; i < 4; ++i) {
        ReadResult result = read_value(reader);
        EXPECT_EQ(result.value, expected_values[i]);
        EXPECT_EQ(result.flags, expected_flags[i]);
    }
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
}

TEST_F(MsgQueueTest, UnnamedQueuesArePrivateAndReachedThroughOpenMsgQueue)
{
    HANDLE writer = create(nullptr, options(4, 4, false));
    HANDLE stranger = create(nullptr, options(4, 4, true));
    EXPECT_FALSE(write_value(writer, 7));
    EXPECT_EQ(last_error(), DWORD(ERROR_PIPE_NOT_CONNECTED));

    MSGQUEUEOPTIONS read_end = options(0, 1, true);
    HANDLE reader = OpenMsgQueue(nullptr, writer, &read_end);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(write_value(writer, 7));
    EXPECT_EQ(read_value(reader).value, 7u);
    EXPECT_EQ(read_value(stranger).error, DWORD(ERROR_PIPE_NOT_CONNECTED));
    EXPECT_EQ(OpenMsgQueue(nullptr, reinterpret_cast<HANDLE>(0x12345), &read_end), nullptr);
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_HANDLE));
    for (HANDLE handle : {writer, stranger, reader}) CloseMsgQueue(handle);
    EXPECT_FALSE(write_value(writer, 1));
    EXPECT_EQ(last_error(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(MsgQueueTest, QueueWithoutACountIsStillBounded)
{
    HANDLE reader = create(nullptr, options(0, 4, true));
    MSGQUEUEOPTIONS write_end = options(0, 4, false);
    HANDLE writer = OpenMsgQueue(nullptr, reader, &write_end);
    DWORD written = 0;
    while (write_value(writer, written) && written < 1000000) ++written;
    EXPECT_EQ(last_error(), DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(written, 65536u);
    EXPECT_EQ(read_value(reader).value, 0u);
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
}

TEST_F(MsgQueueTest, HandlesAreSignalledWhenTheirEndCanGoOn)
{
    HANDLE reader = create(u"Signals", options(1, 4, true));
    HANDLE writer = create(u"Signals", options(1, 4, false));
    auto reader_wait = platform::find_kernel_object_as<platform::sync::Waitable>(reader);
    auto writer_wait = platform::find_kernel_object_as<platform::sync::Waitable>(writer);
    ASSERT_TRUE(reader_wait && writer_wait);
    EXPECT_EQ(reader_wait->wait(0), WAIT_TIMEOUT);
    EXPECT_EQ(writer_wait->wait(0), WAIT_OBJECT_0);
    write_value(writer, 5);
    EXPECT_EQ(reader_wait->wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(reader_wait->wait(0), WAIT_OBJECT_0);  // waiting takes nothing away
    EXPECT_EQ(writer_wait->wait(100), WAIT_TIMEOUT);
    EXPECT_EQ(platform::clock::now(), 100u);
    EXPECT_EQ(read_value(reader).value, 5u);
    EXPECT_EQ(writer_wait->wait(INFINITE), WAIT_OBJECT_0);
    CloseMsgQueue(reader);
    CloseMsgQueue(writer);
}

TEST_F(MsgQueueTest, BlockedEndsWakeAcrossThreads)
{
    HANDLE reader = create(u"Threads", options(1, 4, true));
    HANDLE writer = create(u"Threads", options(1, 4, false));

    ReadResult received {};
    std::thread reading([&] { received = read_value(reader, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(write_value(writer, 42));
    reading.join();
    EXPECT_TRUE(received.ok);
    EXPECT_EQ(received.value, 42u);

    // A writer waiting on a full queue goes on when the reader makes room.
    EXPECT_TRUE(write_value(writer, 1));
    BOOL second_written = FALSE;
    std::thread writing([&] { second_written = write_value(writer, 2, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(read_value(reader).value, 1u);
    writing.join();
    EXPECT_TRUE(second_written);
    EXPECT_EQ(read_value(reader).value, 2u);

    // A reader waiting for ever learns when the last writer goes.
    std::thread waiting([&] { received = read_value(reader, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    CloseMsgQueue(writer);
    waiting.join();
    EXPECT_FALSE(received.ok);
    EXPECT_EQ(received.error, DWORD(ERROR_PIPE_NOT_CONNECTED));
    CloseMsgQueue(reader);
}

}  // namespace
