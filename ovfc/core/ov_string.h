// The framework's heap string: zero-terminated UTF-16 text in a buffer from
// the local heap, with a capacity in characters. c_str() is never null: an
// object without a buffer points at its own inline terminator.
#pragma once

#include <windows.h>

class OvString {
public:
    OvString();
    explicit OvString(UINT nCapacity);
    OvString(LPCWSTR pszText);
    OvString(const OvString& other);
    OvString(OvString&& other) noexcept;
    OvString& operator=(const OvString& other);
    OvString& operator=(OvString&& other) noexcept;
    virtual ~OvString();

    // Frees the buffer; the string is empty afterwards.
    void Clear();
    // Replaces the contents with a zeroed buffer of n characters and returns
    // it. When n is 0 or the allocation fails the string stays empty and the
    // inline terminator is returned.
    WCHAR* Reserve(UINT n);
    // Fills the whole buffer with zeros.
    void Zero();
    // A null or empty text frees the buffer. A buffer with room to spare is
    // reused (zeroed first, so nothing of a longer old text remains);
    // otherwise a new one is reserved for the text and its terminator.
    void Assign(LPCWSTR pszText);

    LPCWSTR c_str() const { return m_pszBuffer; }
    UINT GetCapacity() const { return m_nCapacity; }
    int Length() const;

    // wcscmp with the text; a null text compares as the empty string.
    int Compare(LPCWSTR pszText) const;
    bool Equals(const OvString& other) const;

    // a followed by b in a string reserved for both and the terminator. Null
    // counts as empty. When the room cannot be had the result is empty.
    static OvString Concat(LPCWSTR pszA, LPCWSTR pszB);

private:
    bool IsAllocated() const { return m_pszBuffer != &m_chTerminator; }

    WCHAR* m_pszBuffer;
    UINT m_nCapacity;
    WCHAR m_chTerminator;
};
