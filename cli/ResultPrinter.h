#pragma once
// Prints a scan's results: the result store as the scan left it, and the
// tree with each node's files as the results window shows them.
#include "cli/Json.h"

#include <string>

class ScanContext;
class ResultsModel;
struct TreeNode;

// The store's folders and files, one line each.
void PrintStore(const ScanContext& context);
// The tree, indented, each node followed by its files.
void PrintTree(ResultsModel& model);

void WriteStoreJson(JsonWriter& json, const ScanContext& context);
void WriteTreeJson(JsonWriter& json, ResultsModel& model);
