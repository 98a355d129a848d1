#pragma once
// A gzip candidate: each member's deflate stream is decoded with zlib as its
// sectors go by, which finds the exact byte where the stream ends and checks
// the trailer's CRC-32 and ISIZE. Members may follow one another; the file
// ends after the last member, where the next bytes are not a gzip header.
#include "carving/BaseFile.h"

#include <memory>

struct z_stream_s;

class CGzipFile : public CBaseFile {
public:
    CGzipFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector);
    ~CGzipFile() override;

    // A new candidate when the sector starts with a gzip header (deflate,
    // no reserved flags) whose fields are plausible; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

private:
    struct StreamDeleter {
        void operator()(z_stream_s* stream) const;
    };
    // Decodes [from, to) of the current sector; false when it is no deflate data.
    bool Inflate(const CSectorWindow& data, uint64_t from, uint64_t to);
    int Finish(uint64_t fileEnd);

    std::unique_ptr<z_stream_s, StreamDeleter> m_stream;  // the member being decoded; null between members
    uint64_t m_decoded = 0;    // file offset of the next byte to hand to zlib
    uint64_t m_membersEnd = 0; // one past the last whole member; 0 before the first ends
};
