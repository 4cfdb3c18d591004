// The framework's heap string (capacity rule, zeroing, the inline
// terminator, concatenation) and the off-screen surface.

#include <algorithm>
#include <string>

#include "../phone_fixture.h"
#include "ovfc/core/ov_string.h"
#include "ovfc/core/ov_surface.h"

using namespace ovfc_test;

namespace {

std::u16string text_of(const OvString& s) { return std::u16string(s.c_str()); }

TEST(OvfcString, CapacityRuleAndZeroing)
{
    OvString s(TEXT("abcdef"));
    EXPECT_EQ(s.GetCapacity(), 7u);
    EXPECT_EQ(s.Length(), 6);

    // len + 1 < capacity keeps the buffer: it is zeroed first, so nothing of
    // the longer old text remains after the new terminator.
    const WCHAR* buffer = s.c_str();
    s.Assign(TEXT("xy"));
    EXPECT_EQ(s.c_str(), buffer);
    EXPECT_EQ(s.GetCapacity(), 7u);
    EXPECT_EQ(text_of(s), u"xy");
    EXPECT_TRUE(std::all_of(s.c_str() + 2, s.c_str() + 7, [](WCHAR c) { return c == 0; }));

    // A text of exactly capacity - 1 characters reallocates.
    s.Assign(TEXT("123456"));
    EXPECT_EQ(s.GetCapacity(), 7u);
    EXPECT_EQ(text_of(s), u"123456");
    OvString reserved(10);
    EXPECT_EQ(reserved.GetCapacity(), 10u);
    reserved.Assign(TEXT("123456789"));
    EXPECT_EQ(reserved.GetCapacity(), 10u) << "9 + 1 is not below 10: a new buffer of the same size";
    reserved.Assign(TEXT("12345678"));
    EXPECT_EQ(reserved.GetCapacity(), 10u);
    EXPECT_EQ(text_of(reserved), u"12345678");

    // Reserve hands out a zeroed buffer of n characters.
    WCHAR* fresh = reserved.Reserve(4);
    EXPECT_EQ(reserved.GetCapacity(), 4u);
    EXPECT_TRUE(std::all_of(fresh, fresh + 4, [](WCHAR c) { return c == 0; }));
    fresh[0] = u'q';
    reserved.Zero();
    EXPECT_EQ(reserved.Length(), 0);
    EXPECT_EQ(reserved.GetCapacity(), 4u);
}

TEST(OvfcString, EmptyStringsAreNeverNull)
{
    OvString empty;
    ASSERT_NE(empty.c_str(), nullptr);
    EXPECT_EQ(empty.Length(), 0);
    OvString s(TEXT("text"));
    s.Assign(TEXT(""));
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_EQ(s.GetCapacity(), 0u) << "an empty text frees the buffer";
    s.Assign(nullptr);
    EXPECT_EQ(s.Length(), 0);
    // Reserving nothing would leave no room for the terminator.
    EXPECT_EQ(*s.Reserve(0), 0);
    EXPECT_EQ(s.GetCapacity(), 0u);
    // A failed reservation leaves the valid empty string.
    s.Assign(TEXT("abc"));
    EXPECT_EQ(*s.Reserve(0x7FFFFFFF), 0) << "4 GB is more than the local heap gives";
    EXPECT_EQ(s.GetCapacity(), 0u);
    EXPECT_EQ(s.Length(), 0);
}

TEST(OvfcString, CompareEqualsCopiesAndSelfAssignment)
{
    OvString a(TEXT("apple"));
    EXPECT_EQ(a.Compare(TEXT("apple")), 0);
    EXPECT_LT(a.Compare(TEXT("banana")), 0);
    EXPECT_GT(a.Compare(nullptr), 0) << "null compares as the empty string";
    EXPECT_EQ(OvString().Compare(nullptr), 0);
    OvString b(a);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_NE(b.c_str(), a.c_str());
    b = OvString(TEXT("pear"));
    EXPECT_FALSE(b.Equals(a));

    // A string given its own text (or a part of it) keeps it.
    const OvString& itself = a;
    a = itself;
    EXPECT_EQ(text_of(a), u"apple");
    a.Assign(a.c_str());
    EXPECT_EQ(text_of(a), u"apple");
    a.Assign(a.c_str() + 2);
    EXPECT_EQ(text_of(a), u"ple");
}

TEST(OvfcString, Concat)
{
    EXPECT_EQ(text_of(OvString::Concat(TEXT("\\Windows\\"), TEXT("ovres.dll"))), u"\\Windows\\ovres.dll");
    OvString only_b = OvString::Concat(nullptr, TEXT("b"));
    EXPECT_EQ(text_of(only_b), u"b");
    EXPECT_EQ(only_b.GetCapacity(), 2u);
    OvString nothing = OvString::Concat(TEXT(""), nullptr);
    EXPECT_EQ(nothing.Length(), 0);
}

TEST(OvfcString, ConcatWithoutRoomGivesTheValidEmptyString)
{
    // Two copies of a 256M-character text need more than the local heap's
    // 1 GB limit: the allocation fails.
    constexpr UINT half = (1u << 28) + 16;
    OvString big(half);
    ASSERT_EQ(big.GetCapacity(), half);
    WCHAR* text = const_cast<WCHAR*>(big.c_str());
    std::fill(text, text + half - 1, u'x');
    OvString joined = OvString::Concat(big.c_str(), big.c_str());
    EXPECT_EQ(joined.GetCapacity(), 0u);
    ASSERT_NE(joined.c_str(), nullptr);
    EXPECT_EQ(joined.Length(), 0);
    EXPECT_EQ(joined.c_str()[0], 0);
    EXPECT_EQ(big.Length(), int(half - 1)) << "the inputs are untouched";
}

using OvfcSurface = PhoneTest;

TEST_F(OvfcSurface, CreateAttachAndRelease)
{
    OvSurface surface;
    EXPECT_EQ(surface.GetDC(), nullptr);
    surface.Release();  // an empty surface is left alone

    // With no reference DC the bitmap is compatible with the 16-bit screen.
    ASSERT_TRUE(surface.Create(30, 20, nullptr));
    EXPECT_EQ(surface.GetWidth(), 30);
    EXPECT_EQ(surface.GetHeight(), 20);
    BITMAP bm {};
    HBITMAP first = surface.GetBitmap();
    ASSERT_TRUE(GetObjectW(first, sizeof bm, &bm));
    EXPECT_EQ(bm.bmBitsPixel, 16);
    HDC first_dc = surface.GetDC();

    // Creating again releases the old bitmap and DC first.
    HDC reference = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(surface.Create(8, 9, reference));
    DeleteDC(reference);
    EXPECT_EQ(GetObjectW(first, sizeof bm, &bm), 0) << "the first bitmap is deleted";
    EXPECT_EQ(DeleteDC(first_dc), FALSE) << "and so is the first DC";
    EXPECT_EQ(surface.GetWidth(), 8);

    // An attached bitmap without ownership outlives the surface's release.
    HDC screen = GetDC(nullptr);
    HBITMAP owned_elsewhere = CreateCompatibleBitmap(screen, 5, 6);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(surface.Attach(owned_elsewhere, nullptr, FALSE));
    EXPECT_EQ(surface.GetWidth(), 5);
    EXPECT_EQ(surface.GetHeight(), 6);
    SetPixel(surface.GetDC(), 1, 1, RGB(255, 0, 0));
    surface.Release();
    EXPECT_EQ(surface.GetDC(), nullptr);
    ASSERT_TRUE(GetObjectW(owned_elsewhere, sizeof bm, &bm));
    HDC check = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(check, owned_elsewhere);
    EXPECT_EQ(GetPixel(check, 1, 1), RGB(255, 0, 0)) << "the owner can still use it";
    SelectObject(check, previous);
    DeleteDC(check);

    // With ownership the surface deletes it.
    ASSERT_TRUE(surface.Attach(owned_elsewhere, nullptr, TRUE));
    surface.Release();
    EXPECT_EQ(GetObjectW(owned_elsewhere, sizeof bm, &bm), 0);
}

}  // namespace
