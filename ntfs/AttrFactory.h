#pragma once
// Builds the attribute object for one attribute of a record, by type code
// and form; null when the attribute's header or value does not fit in it.
#include "ntfs/AttrBase.h"

#include <memory>

std::unique_ptr<CAttrBase> CreateAttribute(platform::LeBytes attribute, CFileRecord& owner);
