#pragma once
// The results window: the folder tree of what the scan found on the left,
// the selected folder's files on the right, a preview of the clicked file
// below them, and the two ways to write files out ("开始恢复", the list's
// "恢复此文件") and the search ("查找文件"). Everything it decides lives in
// the results model; the window shows it and forwards what the user does.
#include "toolkit/ResizableDialog.h"
#include "ui/ResultViews.h"

#include <memory>

class HexView;
class MarkupButton;
class PageTabWidget;
class PreviewLoader;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class ReaderThread;
class ResultItemView;
class ResultsModel;
class ScanContext;
struct PreviewContent;

class CRuvexDlg : public ResizableDialog {
    Q_OBJECT
public:
    // The scan has ended; `context` stays as it is while the window is open.
    CRuvexDlg(ScanContext& context, char16_t driveLetter, QWidget* parent = nullptr);
    ~CRuvexDlg() override;

    ResultViews& Views() { return *m_views; }
    ReaderThread& Reader() { return *m_reader; }

    void OnStartRecovery();    // "开始恢复"
    void OnRecoverThisFile();  // "恢复此文件" on the first selected row
    void OnFind();             // "查找文件"
    void ShowAbout();
    // Reads the row's file on the reader thread and shows it when it arrives.
    void PreviewRow(int row);
    void ShowPreview(const PreviewContent& content);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateViews();
    void CreatePreviewPages();
    void CreateButtons();
    void CreateMenus();
    void ExpandAsBuilt();
    // Widens the time column to its text in the list's font where 120 pixels are too few.
    void FitTimeColumn();

    char16_t m_driveLetter;
    std::unique_ptr<ResultsModel> m_results;
    std::unique_ptr<ResultViews> m_views;
    ResultItemView* m_tree = nullptr;
    ResultItemView* m_list = nullptr;
    PageTabWidget* m_tab = nullptr;
    HexView* m_hexView = nullptr;
    QScrollArea* m_pictureArea = nullptr;
    QLabel* m_picture = nullptr;
    QPlainTextEdit* m_zipText = nullptr;
    MarkupButton* m_btnRecover = nullptr;
    MarkupButton* m_btnFind = nullptr;
    QMenu* m_treeMenu = nullptr;
    QMenu* m_listMenu = nullptr;
    std::unique_ptr<ReaderThread> m_reader;
    std::unique_ptr<PreviewLoader> m_previewLoader;
};
