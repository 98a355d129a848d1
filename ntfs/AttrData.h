#pragma once
// Data attribute (type 0x80), resident or non-resident: a file's stream.
#include "ntfs/AttrNonResident.h"
#include "ntfs/AttrResident.h"

template <typename Base>
class CAttr_Data : public Base {
public:
    CAttr_Data(platform::LeBytes attribute, CFileRecord& owner) : Base(attribute, owner) {}
};
