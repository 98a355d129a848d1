#pragma once
// The small pictures of the result tree and list.
#include <QIcon>

QIcon DriveIcon();
QIcon FolderIcon();
// By the list's icon index (ListIcon in results/ResultList.h).
QIcon ListIcon(int index);
