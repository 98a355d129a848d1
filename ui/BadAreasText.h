#pragma once
// The bad areas a scan met, as the note after the scan lists them; empty
// when the source read whole.
#include <QString>

class ScanContext;

QString BadAreasText(const ScanContext& context);
