#pragma once
// The bad areas of the scanned source, as the end of a scan lists them: a
// line each with --verbose, a "badRanges" list in JSON.
class JsonWriter;
class ScanContext;

// On standard error, when diagnostics are on; nothing for a source that read whole.
void PrintBadRanges(const ScanContext& context);
void WriteBadRangesJson(JsonWriter& json, const ScanContext& context);
