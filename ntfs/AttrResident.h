#pragma once
// An attribute whose value is stored inside the file record.
#include "ntfs/AttrBase.h"

class CAttrResident : public CAttrBase {
public:
    CAttrResident(platform::LeBytes attribute, CFileRecord& owner);

    uint32_t RunsValid() const override { return 1; }
    uint64_t DataSize(uint64_t* allocated = nullptr) const override;
    bool ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) override;

    const platform::LeBytes& Body() const { return m_body; }

    // True when the resident header and the value it names lie inside `attribute`.
    static bool BodyFits(const platform::LeBytes& attribute);
    // The value of a resident `attribute`; empty when it does not fit.
    static platform::LeBytes BodyOf(const platform::LeBytes& attribute);

protected:
    platform::LeBytes m_body;  // the value, inside the record buffer
};
