// A small reader of the shaver's variant sound files: PCM WAV files with the
// canonical 44-byte header, whose format fields sit at fixed offsets and whose
// samples run from byte 44 to the end of the file.
#pragma once

#include <windows.h>

#include <cstdio>

#define WAVE_FILE_HEADER_SIZE 44
#define WAVE_FILE_FORMAT_SIZE 16

class WaveFile {
public:
    WaveFile() = default;
    // Does not close the file: Close does.
    ~WaveFile() = default;

    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    // Opens the file and reads its header. FALSE when it cannot be opened or
    // is too short to hold the header; the file is closed again then.
    BOOL Open(LPCWSTR pszPath);
    // Reads the whole sample data into pBuffer (GetDataSize bytes). FALSE
    // unless every byte was read.
    BOOL ReadData(void* pBuffer);
    void Close();

    // The sample data's size in bytes: the file's size less the header.
    DWORD GetDataSize() const { return m_dwDataSize; }
    // The six format fields (tag, channels, rate, byte rate, block align,
    // bits), laid out as the first 16 bytes of a WAVEFORMATEX.
    const BYTE* GetFormatBytes() const { return m_format; }

private:
    FILE* m_pFile = nullptr;
    DWORD m_dwDataSize = 0;
    BYTE m_format[WAVE_FILE_FORMAT_SIZE] = {};
};
