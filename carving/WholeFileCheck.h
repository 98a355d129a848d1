#pragma once
// Whether a file's bytes reach the end its type marks: a JPEG's end-of-image
// marker, a PNG's IEND chunk, a ZIP's end of central directory, a PDF's
// "%%EOF", an MP3's last frame, a FLAC's last sample, an Ogg's last page, a
// RIFF's, Matroska segment's or ASF file's size, a PSD's image data, an RTF's
// closing brace, the end of a gzip, bzip2 or xz file's last stream, a RAR's
// end block. The walk is the one the carving readers use to find where a
// carved file ends, fed the file's bytes in order instead of a volume's
// sectors; a file that stops short of its end, or holds bytes no file of its
// type holds where they lie, does not pass.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CBaseFile;

enum class CheckedType : uint8_t {
    Jpeg, Png, Zip, Pdf, Mp3, Flac, Ogg, Riff, Matroska, Asf, Psd, Rtf, Gzip, Bzip2, Xz, Rar
};

class CWholeFileCheck {
public:
    explicit CWholeFileCheck(CheckedType type);
    ~CWholeFileCheck();
    CWholeFileCheck(const CWholeFileCheck&) = delete;
    CWholeFileCheck& operator=(const CWholeFileCheck&) = delete;

    // The file's next bytes, in order from its first.
    void Feed(std::span<const uint8_t> bytes);
    // After the last bytes: true when they start as the type does and its
    // end lies within them.
    bool Finish();

private:
    // Walks the sectors gathered so far as one read.
    void WalkRead();

    CheckedType m_type;
    std::unique_ptr<CBaseFile> m_file;
    std::vector<uint8_t> m_start;  // the first bytes, for the type's signature
    std::vector<uint8_t> m_read;   // bytes not walked yet
    std::vector<uint8_t> m_carry;  // the tail of the previous read, for records that straddle two
    uint64_t m_nextSector = 0;
    uint64_t m_bytesFed = 0;
    int m_result = 0;  // the walk's answer once it is not kNotFinished
};
