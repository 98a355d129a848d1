#include "results/ResultTree.h"

TreeNode& TreeNode::Append(std::unique_ptr<TreeNode> child) {
    child->parent = this;
    children.push_back(std::move(child));
    return *children.back();
}

bool TreeNode::ListsFiles() const {
    return kind == NodeKind::DeletedFiles || kind == NodeKind::NtfsFolder ||
           kind == NodeKind::Category || kind == NodeKind::FatFolder;
}
