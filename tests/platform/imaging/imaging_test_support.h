// Shared pieces of the imaging tests: the factory as the framework gets it
// (COM initialised, CoCreateInstance), an owning interface pointer, and a
// small drawing surface of a chosen depth with direct pixel access.
#pragma once

#include <gtest/gtest.h>

#include <imaging.h>
#include <windows.h>

#include "image_encoding.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/imaging/imaging_factory.h"
#include "platform/kernel/debug_output.h"
#include "tests/platform/gdi/gdi_test_support.h"

namespace imaging_test {

template <class Interface> class Ref {
public:
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { reset(); }
    void reset()
    {
        if (pointer) pointer->Release();
        pointer = nullptr;
    }
    Interface** out()
    {
        reset();
        return &pointer;
    }
    Interface* operator->() const { return pointer; }
    Interface* get() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    Interface* pointer = nullptr;
};

class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Refused pictures are reported on the debug output; the tests make
        // many on purpose.
        platform::debug_output::discard();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        platform::imaging::register_factory();
        ASSERT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory,
                      reinterpret_cast<void**>(factory.out())),
            S_OK);
    }
    void TearDown() override
    {
        factory.reset();
        CoUninitialize();
    }

    HRESULT load(const Bytes& bytes, Ref<IImage>& image)
    {
        return factory->CreateImageFromBuffer(
            bytes.data(), static_cast<UINT>(bytes.size()), BufferDisposalFlagNone, image.out());
    }

    ImageInfo info_of(IImage* image)
    {
        ImageInfo info {};
        EXPECT_EQ(image->GetImageInfo(&info), S_OK);
        return info;
    }

    Ref<IImagingFactory> factory;
};

// A memory DC holding a bitmap, as the drawing tests use it.
using gdi_test::Surface;

inline std::uint32_t rgb565(std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
}

}  // namespace imaging_test
