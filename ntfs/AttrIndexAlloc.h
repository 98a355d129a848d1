#pragma once
// Index allocation attribute (type 0xA0): the index blocks of a directory.
// Its entries are not read: the sweep finds folders by their records, and a
// directory's index only repeats names the records already carry.
#include "ntfs/AttrNonResident.h"

class CAttr_IndexAlloc : public CAttrNonResident {
public:
    using CAttrNonResident::CAttrNonResident;
};
