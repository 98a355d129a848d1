#pragma once
// Tabs over pages: each page is a child widget added with a caption and shown
// while its tab is active. Removing a tab keeps its page (hidden) so it can
// be added again later. A close button in the corner removes the current
// page, but never the last one.
#include <QTabWidget>

class QToolButton;

class PageTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit PageTabWidget(QWidget* parent = nullptr);

    // Adds the page as the last tab and makes it current; returns its index.
    int AddPage(QWidget* page, const QString& caption);
    // Takes the tab away; the page is hidden, not deleted.
    void RemovePage(int index);
    int PageCount() const { return count(); }
    QToolButton* CloseButton() const { return m_closeButton; }

signals:
    void PageRemoved(QWidget* page);

private:
    void CloseCurrentPage();

    QToolButton* m_closeButton;
};
