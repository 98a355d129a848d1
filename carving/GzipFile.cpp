#include "carving/GzipFile.h"

#include "carving/CarvedType.h"

#include <zlib.h>

#include <array>

namespace {

constexpr uint8_t kFlagReserved = 0xE0;
// zlib reads the gzip header, the deflate stream and checks the trailer.
constexpr int kGzipWindowBits = 15 + 16;

bool IsMemberHeader(uint8_t id1, uint8_t id2, uint8_t method, uint8_t flags) {
    return id1 == 0x1F && id2 == 0x8B && method == 8 && (flags & kFlagReserved) == 0;
}

}  // namespace

void CGzipFile::StreamDeleter::operator()(z_stream_s* stream) const {
    inflateEnd(stream);
    delete stream;
}

CGzipFile::CGzipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
    : CBaseFile(device, sectorSize, firstSector) {}

CGzipFile::~CGzipFile() = default;

std::unique_ptr<CBaseFile> CGzipFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    if (!sector.Has(0, 10) || !IsMemberHeader(sector.U8(0), sector.U8(1), sector.U8(2), sector.U8(3)))
        return nullptr;
    const uint8_t extraFlags = sector.U8(8);
    const uint8_t os = sector.U8(9);
    if ((extraFlags != 0 && extraFlags != 2 && extraFlags != 4) || (os > 13 && os != 255)) return nullptr;
    return std::make_unique<CGzipFile>(device, sectorSize, sectorNumber);
}

bool CGzipFile::Inflate(const CSectorWindow& data, uint64_t from, uint64_t to) {
    const uint64_t sectorStart = data.End() - data.Current().Size();
    const platform::LeBytes input = data.Current().Sub(from - sectorStart, to - from);
    m_stream->next_in = const_cast<Bytef*>(input.Data());
    m_stream->avail_in = static_cast<uInt>(input.Size());
    std::array<Bytef, 32 * 1024> scratch;  // the decoded bytes are not kept
    while (m_stream->avail_in > 0) {
        m_stream->next_out = scratch.data();
        m_stream->avail_out = static_cast<uInt>(scratch.size());
        const int result = inflate(m_stream.get(), Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            m_membersEnd = to - m_stream->avail_in;
            m_stream.reset();
            break;
        }
        if (result != Z_OK) return false;
    }
    m_decoded = m_stream ? to : m_membersEnd;
    return true;
}

int CGzipFile::ProcessSector(uint64_t sector, const CSectorWindow& data) {
    const uint64_t sectorEnd = SectorOffset(sector) + m_sectorSize;
    while (m_decoded < sectorEnd) {
        if (!m_stream) {
            // Between members: another one follows, or the file ended.
            if (m_membersEnd != 0) {
                if (!data.Has(m_membersEnd, 4)) return kNotFinished;
                if (!IsMemberHeader(data.U8(m_membersEnd), data.U8(m_membersEnd + 1), data.U8(m_membersEnd + 2),
                                    data.U8(m_membersEnd + 3)))
                    return Finish(m_membersEnd);
            }
            auto stream = std::unique_ptr<z_stream_s, StreamDeleter>(new z_stream_s{});
            if (inflateInit2(stream.get(), kGzipWindowBits) != Z_OK) {
                delete stream.release();
                return kNotThisType;
            }
            m_stream = std::move(stream);
        }
        // A broken member, also one behind whole ones, leaves a damaged file.
        if (!Inflate(data, m_decoded, sectorEnd)) return kNotThisType;
    }
    return kNotFinished;
}

int CGzipFile::Finish(uint64_t fileEnd) {
    m_stream.reset();
    SetEnd(fileEnd);
    return kCarvedGzip;
}

int CGzipFile::EndWhereItStands(uint64_t nextSector) {
    if (m_stream || m_membersEnd == 0 || m_membersEnd > SectorOffset(nextSector)) return kNotThisType;
    return Finish(m_membersEnd);
}
