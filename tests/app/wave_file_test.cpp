// The variant file reader on files of the phone.

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "app/wave_file.h"
#include "tests/ovfc/phone_fixture.h"

namespace {

class WaveFileTest : public ovfc_test::PhoneTest {
protected:
    void write(const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream out(device_root() / "v.wav", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static std::vector<std::uint8_t> header_with(std::size_t data_bytes)
    {
        std::vector<std::uint8_t> bytes(44 + data_bytes, 0x11);
        const std::uint8_t format[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
        std::copy(format, format + 16, bytes.begin() + 20);
        return bytes;
    }
};

TEST_F(WaveFileTest, ReadsTheFormatFieldsAndTheSamplesAfterTheHeader)
{
    write(header_with(6));
    WaveFile file;
    ASSERT_TRUE(file.Open(u"\\v.wav"));
    EXPECT_EQ(file.GetDataSize(), 6u);
    const BYTE* format = file.GetFormatBytes();
    EXPECT_EQ(format[0], 1);
    EXPECT_EQ(format[4] | format[5] << 8, 44100);
    EXPECT_EQ(format[14], 16);
    std::vector<BYTE> data(6, 0);
    EXPECT_TRUE(file.ReadData(data.data()));
    EXPECT_EQ(data, std::vector<BYTE>(6, 0x11));
    file.Close();
}

TEST_F(WaveFileTest, RefusesFilesShorterThanTheHeaderAndMissingFiles)
{
    write(std::vector<std::uint8_t>(43, 0));
    WaveFile file;
    EXPECT_FALSE(file.Open(u"\\v.wav"));
    EXPECT_EQ(file.GetDataSize(), 0u);
    EXPECT_FALSE(file.ReadData(nullptr));
    EXPECT_FALSE(file.Open(u"\\missing.wav"));
}

TEST_F(WaveFileTest, ASampleReadCutShortIsReported)
{
    write(header_with(100000));
    WaveFile file;
    ASSERT_TRUE(file.Open(u"\\v.wav"));
    ASSERT_EQ(file.GetDataSize(), 100000u);
    // The file loses its end between the header and the samples.
    std::filesystem::resize_file(device_root() / "v.wav", 44 + 400);
    std::vector<BYTE> data(100000, 0);
    EXPECT_FALSE(file.ReadData(data.data()));
    file.Close();
}

}  // namespace
