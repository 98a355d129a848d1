#include "ui/FindDialog.h"

#include "tests/ui/UiTestSupport.h"
#include "tests/ui/ScannedVolume.h"
#include "ui/MessageBox.h"
#include "ui/ResultViews.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct FindCase {
    const char* volume;
    int mode;
    const char* text;
    QStringList rows;  // empty: "没有找到文件"
};

QStringList Names(const ResultListModel& list) {
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row) names << list.index(row, 0).data().toString();
    return names;
}

// Types into the dialog as a user would and presses 确定.
TEST(FindDialog, FindsByNamePieceOnEachResultKind) {
    const FindCase cases[] = {
        {"ntfs-small", 1, "JPG", {"beach.jpg", "sunset.jpg"}},
        {"ntfs-small", 1, "jpg", {"beach.jpg", "sunset.jpg"}},
        {"ntfs-small", 2, "jpg", {"pic20520.jpg", "beach.jpg", "sunset.jpg"}},  // carved files too, first found first
        {"ntfs-small", 1, "假期", {"假期记录.txt"}},
        {"ntfs-small", 1, "nothing-like-this", {}},
        {"fat32-small", 2, "记录", {"假期记录.txt"}},
        {"fat32-small", 2, "pic", {}},  // carved files of the type folders are not searched on FAT32
        {"raw-small", 2, "", {}},       // nor anywhere on a raw volume
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + " mode " + std::to_string(c.mode) + " '" + c.text + "'");
        auto scanned = ScanTestVolume(c.volume, c.mode);
        if (!scanned) GTEST_SKIP();
        ResultViews views(*scanned->model);
        QStringList messages;
        SetMessageHandler([&](const QString& text) { messages << text; });
        CFindDlg dialog(views);
        dialog.show();
        // Chinese text arrives through an input method, not as key presses.
        QString text = QString::fromUtf8(c.text);
        auto* edit = dialog.findChild<QLineEdit*>("findText");
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);
        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
        SetMessageHandler(nullptr);

        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.m_text, QString::fromUtf8(c.text));
        EXPECT_EQ(Names(views.List()), c.rows);
        EXPECT_EQ(messages, c.rows.isEmpty() ? QStringList{"没有找到文件"} : QStringList{});
        for (int row = 0; row < views.List().rowCount(); ++row) EXPECT_EQ(views.List().RowAt(row)->icon, kIconFile);
    }
}

TEST(FindDialog, CancelLeavesTheListAlone) {
    auto scanned = ScanTestVolume("ntfs-small", 1);
    if (!scanned) GTEST_SKIP();
    ResultViews views(*scanned->model);
    QStringList before = Names(views.List());
    CFindDlg dialog(views);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit*>("findText"), "jpg");
    QTest::mouseClick(dialog.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Names(views.List()), before);
    // Enter in the text presses 确定.
    CFindDlg again(views);
    again.show();
    QTest::keyClicks(again.findChild<QLineEdit*>("findText"), "sunset");
    QTest::keyClick(again.findChild<QLineEdit*>("findText"), Qt::Key_Return);
    EXPECT_EQ(Names(views.List()), QStringList{"sunset.jpg"});
}

}  // namespace
