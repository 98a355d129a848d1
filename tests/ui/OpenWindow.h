#pragma once
// A committed volume scanned for real with its results window open, and
// what the window tests do with it as a user would: click nodes and rows,
// tick boxes, read the tabs.
#include "tests/support/TestVolumes.h"
#include "tests/ui/ScannedVolume.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/PageTabWidget.h"
#include "ui/CRuvexDlg.h"
#include "ui/ResultItemView.h"

#include <QTest>

#include <map>
#include <memory>
#include <string>

// A scanned volume with its results window open.
struct OpenWindow {
    std::unique_ptr<ScannedVolume> scanned;
    std::unique_ptr<CRuvexDlg> window;
    ResultItemView* tree = nullptr;
    ResultItemView* list = nullptr;
    PageTabWidget* tabs = nullptr;

    QModelIndex Node(const QStringList& path) const { return NodeAt(*tree->model(), path); }
    QModelIndex Row(const QString& name) const {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (list->model()->index(row, 0).data().toString() == name) return list->model()->index(row, 0);
        return {};
    }
    QStringList Rows() const {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(); ++row) names << list->model()->index(row, 0).data().toString();
        return names;
    }
    void ClickNode(const QStringList& path) const {
        QModelIndex node = Node(path);
        tree->scrollTo(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(node).center());
    }
    void TickNode(const QStringList& path) const {
        QModelIndex node = Node(path);
        tree->scrollTo(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->CheckBoxRect(node).center());
    }
    void ClickRow(const QString& name) const {
        QModelIndex row = Row(name);
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
    }
    QString TabCaption() const { return tabs->count() == 1 ? tabs->tabText(0) : QString("%1 tabs").arg(tabs->count()); }
};

inline std::unique_ptr<OpenWindow> Open(const std::string& volume, int mode) {
    auto open = std::make_unique<OpenWindow>();
    open->scanned = ScanTestVolume(volume, mode, u'D', false);
    if (!open->scanned) return nullptr;
    open->window = std::make_unique<CRuvexDlg>(open->scanned->context, open->scanned->letter);
    open->window->show();
    if (!QTest::qWaitForWindowExposed(open->window.get())) return nullptr;
    open->tree = open->window->findChild<ResultItemView*>("resultTree");
    open->list = open->window->findChild<ResultItemView*>("resultList");
    open->tabs = open->window->findChild<PageTabWidget*>("previewTabs");
    return open;
}

inline std::map<std::string, std::string> Manifest(const std::string& volume) {
    std::map<std::string, std::string> hashes;
    for (const auto& entry : testing_support::LoadManifest(volume))
        if (entry.kind == "file") hashes[entry.path] = entry.sha256;
    return hashes;
}
