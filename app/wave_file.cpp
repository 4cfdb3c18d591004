#include "app/wave_file.h"

#include <crtfile.h>

#include <cstring>

namespace {

// Where the format chunk's six fields start in the canonical header.
constexpr long kFormatOffset = 20;

}  // namespace

BOOL WaveFile::Open(LPCWSTR pszPath)
{
    Close();
    m_pFile = _wfopen(pszPath, TEXT("rb"));
    if (!m_pFile) return FALSE;
    long nSize = -1;
    if (std::fseek(m_pFile, 0, SEEK_END) == 0) nSize = std::ftell(m_pFile);
    // A file shorter than its header has no samples and no format: reading
    // it as one would give a negative data size.
    BYTE header[WAVE_FILE_HEADER_SIZE];
    if (nSize < WAVE_FILE_HEADER_SIZE || std::fseek(m_pFile, 0, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, m_pFile) != sizeof header) {
        Close();
        return FALSE;
    }
    m_dwDataSize = static_cast<DWORD>(nSize - WAVE_FILE_HEADER_SIZE);
    std::memcpy(m_format, header + kFormatOffset, sizeof m_format);
    return TRUE;
}

BOOL WaveFile::ReadData(void* pBuffer)
{
    if (!m_pFile || (!pBuffer && m_dwDataSize > 0)) return FALSE;
    if (m_dwDataSize == 0) return TRUE;
    return std::fread(pBuffer, 1, m_dwDataSize, m_pFile) == m_dwDataSize ? TRUE : FALSE;
}

void WaveFile::Close()
{
    if (m_pFile) std::fclose(m_pFile);
    m_pFile = nullptr;
}
