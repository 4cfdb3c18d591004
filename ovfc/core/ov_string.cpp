#include "ovfc/core/ov_string.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace {

// True when text lies inside the buffer of n characters, as when a string
// is assigned a text it holds itself.
bool points_into(LPCWSTR pszText, const WCHAR* pBuffer, UINT n)
{
    std::less_equal<const WCHAR*> at_or_before;
    std::less<const WCHAR*> before;
    return at_or_before(pBuffer, pszText) && before(pszText, pBuffer + n);
}

}  // namespace

OvString::OvString()
    : m_pszBuffer(&m_chTerminator)
    , m_nCapacity(0)
    , m_chTerminator(0)
{
}

OvString::OvString(UINT nCapacity)
    : OvString()
{
    Reserve(nCapacity);
}

OvString::OvString(LPCWSTR pszText)
    : OvString()
{
    Assign(pszText);
}

OvString::OvString(const OvString& other)
    : OvString()
{
    Assign(other.m_pszBuffer);
}

OvString::OvString(OvString&& other) noexcept
    : OvString()
{
    *this = std::move(other);
}

OvString& OvString::operator=(const OvString& other)
{
    if (this != &other) Assign(other.m_pszBuffer);
    return *this;
}

OvString& OvString::operator=(OvString&& other) noexcept
{
    if (this == &other) return *this;
    Clear();
    if (other.IsAllocated()) {
        m_pszBuffer = other.m_pszBuffer;
        m_nCapacity = other.m_nCapacity;
        other.m_pszBuffer = &other.m_chTerminator;
        other.m_nCapacity = 0;
    }
    return *this;
}

OvString::~OvString() { Clear(); }

void OvString::Clear()
{
    if (IsAllocated()) LocalFree(m_pszBuffer);
    m_pszBuffer = &m_chTerminator;
    m_nCapacity = 0;
    m_chTerminator = 0;
}

WCHAR* OvString::Reserve(UINT n)
{
    Clear();
    // A buffer of no characters could not even hold the terminator.
    if (n == 0) return m_pszBuffer;
    // Computed in 64 bits: 2n must not wrap into a small block.
    std::uint64_t cbBytes = std::uint64_t(n) * sizeof(WCHAR);
    if (cbBytes > std::numeric_limits<SIZE_T>::max()) return m_pszBuffer;
    auto* pBuffer = static_cast<WCHAR*>(LocalAlloc(LMEM_ZEROINIT, static_cast<SIZE_T>(cbBytes)));
    if (!pBuffer) return m_pszBuffer;
    m_pszBuffer = pBuffer;
    m_nCapacity = n;
    return m_pszBuffer;
}

void OvString::Zero()
{
    if (IsAllocated()) std::memset(m_pszBuffer, 0, std::size_t(m_nCapacity) * sizeof(WCHAR));
}

void OvString::Assign(LPCWSTR pszText)
{
    if (!pszText || !*pszText) {
        Clear();
        return;
    }
    // A text taken from this string's own buffer would be zeroed or freed
    // before it is copied: copy it aside first.
    if (IsAllocated() && points_into(pszText, m_pszBuffer, m_nCapacity)) {
        std::vector<WCHAR> copy(pszText, pszText + wcslen(pszText) + 1);
        Assign(copy.data());
        return;
    }
    std::size_t nLength = wcslen(pszText);
    if (nLength + 1 < m_nCapacity) {
        Zero();
    } else {
        if (nLength + 1 > std::numeric_limits<UINT>::max()) {
            Clear();
            return;
        }
        Reserve(static_cast<UINT>(nLength + 1));
        if (!IsAllocated()) return;
    }
    wcscpy(m_pszBuffer, pszText);
}

int OvString::Length() const { return static_cast<int>(wcslen(m_pszBuffer)); }

int OvString::Compare(LPCWSTR pszText) const
{
    OvString text(pszText);
    return wcscmp(m_pszBuffer, text.m_pszBuffer);
}

bool OvString::Equals(const OvString& other) const { return Compare(other.m_pszBuffer) == 0; }

OvString OvString::Concat(LPCWSTR pszA, LPCWSTR pszB)
{
    std::size_t nA = pszA ? wcslen(pszA) : 0;
    std::size_t nB = pszB ? wcslen(pszB) : 0;
    OvString result;
    std::uint64_t nNeeded = std::uint64_t(nA) + nB + 1;
    if (nNeeded > std::numeric_limits<UINT>::max()) return result;
    result.Reserve(static_cast<UINT>(nNeeded));
    // Without the room the result stays the valid empty string; copying
    // into its inline terminator would write past it.
    if (result.m_nCapacity < nNeeded) return result;
    if (nA) std::memcpy(result.m_pszBuffer, pszA, nA * sizeof(WCHAR));
    if (nB) std::memcpy(result.m_pszBuffer + nA, pszB, nB * sizeof(WCHAR));
    return result;
}
