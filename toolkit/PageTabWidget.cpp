#include "toolkit/PageTabWidget.h"

#include "toolkit/KitFonts.h"

#include <QStyle>
#include <QToolButton>

PageTabWidget::PageTabWidget(QWidget* parent) : QTabWidget(parent), m_closeButton(new QToolButton(this)) {
    setFont(KitFonts::DialogFont());
    m_closeButton->setObjectName(QStringLiteral("closePageButton"));
    m_closeButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setToolTip(QStringLiteral("关闭"));
    setCornerWidget(m_closeButton, Qt::TopRightCorner);
    connect(m_closeButton, &QToolButton::clicked, this, &PageTabWidget::CloseCurrentPage);
}

int PageTabWidget::AddPage(QWidget* page, const QString& caption) {
    const int index = addTab(page, caption);
    setCurrentIndex(index);
    page->show();
    return index;
}

void PageTabWidget::RemovePage(int index) {
    QWidget* page = widget(index);
    if (!page) return;
    removeTab(index);
    page->hide();
    emit PageRemoved(page);
}

void PageTabWidget::CloseCurrentPage() {
    if (count() > 1) RemovePage(currentIndex());
}
