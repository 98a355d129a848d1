#pragma once
// The small pictures of the result tree (the desktop's own folder and drive
// icons) and of the list (ours, by the file's kind).
#include <QIcon>

QIcon DriveIcon();
QIcon FolderIcon();
// By the list's icon index (ListIcon in results/ResultList.h).
QIcon ListIcon(int index);
