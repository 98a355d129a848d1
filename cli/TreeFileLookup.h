#pragma once
// Finds the file a user named by its path in the result tree, for
// `recover --file`. The top-level folder ("删除的文件", "找到的文件",
// "按类型分类的文件") may be left out; when a path fits nothing, the closest
// paths that exist are offered instead.
#include "results/ResultList.h"

#include <string>
#include <vector>

class ResultsModel;

struct TreeFileMatch {
    std::u16string path;  // the full path of the match, below the drive node
    ListRow row;
};

struct TreeFileLookup {
    std::vector<TreeFileMatch> matches;  // one, or several when ambiguous
    std::vector<std::u16string> closest; // when nothing matched
};

TreeFileLookup FindTreeFile(ResultsModel& model, char16_t letter, const std::u16string& path);
