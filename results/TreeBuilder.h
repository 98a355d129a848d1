#pragma once
// Builds the results tree from what a scan left behind.
#include "results/ResultTree.h"

#include <memory>

class ScanContext;

// The drive node with "删除的文件", "找到的文件" and, when carved files or a
// FAT32 scan exist, "按类型分类的文件" below it. The result store is left as
// it is, so trees can be built as often as needed, each with the same names.
std::unique_ptr<TreeNode> BuildTree(const ScanContext& context, char16_t driveLetter);
