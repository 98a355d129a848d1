#include "carving/RtfFile.h"

#include "carving/CarvedType.h"

namespace {

bool IsLetter(uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
bool IsTextByte(uint8_t c) { return c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

std::unique_ptr<CBaseFile> CRtfFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                               uint32_t sectorSize, const CVolumeAccess* device) {
    if (!BytesAre(sector, 0, "{\\rtf")) return nullptr;
    return std::make_unique<CRtfFile>(device, sectorSize, sectorNumber);
}

bool CRtfFile::Take(uint8_t byte) {
    switch (m_state) {
    case State::Binary:
        if (--m_binaryLeft == 0) m_state = State::Text;
        return true;
    case State::Escape:
        if (IsLetter(byte)) {
            m_state = State::Word;
            m_wordLength = 1;
            m_wordIsBin = byte == 'b';
            return true;
        }
        m_state = State::Text;  // a control symbol: \\ \{ \} and the like
        return IsTextByte(byte);
    case State::Word:
        if (IsLetter(byte)) {
            m_wordIsBin = m_wordIsBin && m_wordLength < 3 && byte == "bin"[m_wordLength];
            m_wordLength = static_cast<uint8_t>(m_wordLength < 255 ? m_wordLength + 1 : 255);
            return true;
        }
        m_wordIsBin = m_wordIsBin && m_wordLength == 3;
        m_negative = byte == '-';
        m_number = 0;
        if (m_negative || IsDigit(byte)) {
            m_state = State::Number;
            if (!m_negative) m_number = byte - '0';
            return true;
        }
        m_state = State::Text;
        if (byte == ' ') return true;  // the delimiter belongs to the word
        return Take(byte);
    case State::Number:
        if (IsDigit(byte)) {
            m_number = m_number * 10 + (byte - '0');
            return m_number <= kMaxBytes;
        }
        if (m_wordIsBin && !m_negative && m_number > 0) {
            m_binaryLeft = m_number;
            // A blank delimiter belongs to the word; any other byte is the data's first.
            m_state = State::Binary;
            if (byte == ' ') return true;
            return Take(byte);
        }
        m_state = State::Text;
        if (byte == ' ') return true;
        return Take(byte);
    case State::Text:
        if (byte == '\\') {
            m_state = State::Escape;
        } else if (byte == '{') {
            if (++m_depth > kMaxDepth) return false;
        } else if (byte == '}') {
            if (m_depth == 0) return false;
            if (--m_depth == 0) m_state = State::LineBreak;
        } else {
            return IsTextByte(byte);
        }
        return true;
    case State::LineBreak:
    case State::Done:
        break;
    }
    return true;
}

int CRtfFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorStart = SectorOffset(sector);
    const uint64_t sectorEnd = sectorStart + m_sectorSize;
    const platform::LeBytes& bytes = data.Current();
    for (; m_next < sectorEnd && m_state != State::Done; ++m_next) {
        const uint8_t byte = bytes.U8(m_next - sectorStart);
        if (m_state == State::LineBreak) {
            // "\r\n", "\n" or "\r" after the closing brace.
            if (!m_afterCr && byte == '\r') {
                m_fileEnd = m_next + 1;
                m_afterCr = true;
                continue;
            }
            if (byte == '\n') m_fileEnd = m_next + 1;
            m_state = State::Done;
            break;
        }
        if (!Take(byte)) return kNotThisType;
        if (m_state == State::LineBreak) m_fileEnd = m_next + 1;
        if (m_next >= kMaxBytes) return kNotThisType;
    }
    if (m_state != State::Done) return kNotFinished;
    SetEnd(m_fileEnd);
    return kCarvedRtf;
}

int CRtfFile::EndWhereItStands(uint64_t nextSector) {
    if (m_state != State::LineBreak && m_state != State::Done) return kNotThisType;
    if (m_fileEnd > SectorOffset(nextSector)) return kNotThisType;
    SetEnd(m_fileEnd);
    return kCarvedRtf;
}
