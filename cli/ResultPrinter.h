#pragma once
// Prints a scan's results: the result store as the scan left it, the tree
// with each node's files as the results window shows them, and the whole
// as one JSON document.
#include <string>

class ScanContext;
class ResultsModel;
class FoundFiles;
class JsonWriter;

// The store's folders and files, one line each.
void PrintStore(const ScanContext& context);
// The tree, indented, each node followed by its files in columns.
void PrintTree(ResultsModel& model, const FoundFiles& found);

// The store's folders; written before the results model takes them over.
void WriteStoreFoldersJson(JsonWriter& json, const ScanContext& context);
// "files": every found file of every kind with the same fields, then "tree".
void WriteFilesAndTreeJson(JsonWriter& json, ResultsModel& model, const FoundFiles& found);

// Writes `text` to standard output in one go.
void WriteOut(const std::string& text);
