#pragma once
// File name attribute (type 0x30): the resident value is a file name body.
#include "ntfs/AttrResident.h"
#include "ntfs/FileName.h"

class CAttr_FileName : public CAttrResident, public CFileName {
public:
    const CAttr_FileName* AsFileName() const override { return this; }
    CAttr_FileName(platform::LeBytes attribute, CFileRecord& owner)
        : CAttrResident(attribute, owner), CFileName(Body()) {}
};
