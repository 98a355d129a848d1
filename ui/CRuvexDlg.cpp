#include "ui/CRuvexDlg.h"

#include "results/PreviewPage.h"
#include "results/ResultsModel.h"
#include "toolkit/HexView.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/PageTabWidget.h"
#include "toolkit/Pictures.h"
#include "toolkit/StepLook.h"
#include "ui/AboutDialog.h"
#include "ui/FindDialog.h"
#include "ui/PreviewLoader.h"
#include "ui/ReaderThread.h"
#include "ui/RecoveryCommands.h"
#include "ui/ResultItemView.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {

// Dialog 102, in dialog units.
constexpr QSize kWindowSize{490, 346};
constexpr DialogUnitRect kTree{21, 73, 181, 255};
constexpr DialogUnitRect kList{205, 73, 271, 71};
constexpr DialogUnitRect kTab{207, 152, 270, 176};
constexpr DialogUnitRect kRecoverButton{214, 14, 50, 40};
constexpr DialogUnitRect kFindButton{281, 15, 49, 40};
constexpr int kListColumnWidths[] = {320, 80, 120};
constexpr QSize kButtonPicture{60, 32};

const char* const kCaption = "Velkor数据恢复软件V1.2";
const char* const kStepCaption = "3.请选择要恢复的文件,单击图片文件可以预览内容,点鼠标右键可以恢复文件";
const char* const kRecoverMarkup = "<TextBlock Foreground='#749719' >开始恢复</TextBlock>";
const char* const kFindMarkup = "<TextBlock Foreground='#749719' >查找文件</TextBlock>";

}  // namespace

CRuvexDlg::CRuvexDlg(ScanContext& context, char16_t driveLetter, QWidget* parent)
    : ResizableDialog(kWindowSize, parent),
      m_driveLetter(driveLetter),
      m_results(std::make_unique<ResultsModel>(context, driveLetter)),
      m_views(std::make_unique<ResultViews>(*m_results)),
      m_reader(std::make_unique<ReaderThread>()),
      m_previewLoader(std::make_unique<PreviewLoader>(*m_reader)) {
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(Pictures::IconSet(PictureId::AppIcon));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    CreateViews();
    CreatePreviewPages();
    CreateButtons();
    CreateMenus();
    setTabOrder(m_tree, m_list);
    setTabOrder(m_list, m_tab);
    setTabOrder(m_tab, m_btnRecover);
    setTabOrder(m_btnRecover, m_btnFind);
    StepLook::ApplyTheme(this);
    FitTimeColumn();
    connect(m_previewLoader.get(), &PreviewLoader::previewReady, this, &CRuvexDlg::ShowPreview);
    setWindowState(windowState() | Qt::WindowMaximized);
    m_tree->setFocus();
}

CRuvexDlg::~CRuvexDlg() {
    // The reader thread goes first: no job may outlive what it reports to.
    m_reader.reset();
}

void CRuvexDlg::CreateViews() {
    m_tree = new ResultItemView(this);
    m_tree->setObjectName(QStringLiteral("resultTree"));
    m_tree->setHeaderHidden(true);
    m_tree->SetCheckBoxKeepsSelection(true);
    m_tree->setModel(&m_views->Tree());
    Place(m_tree, kTree);
    AddAnchor(m_tree, {0, 0}, {0, 1});

    m_list = new ResultItemView(this);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setModel(&m_views->List());
    // Clicks on the column headers do not sort; columns may be dragged.
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setSectionsMovable(true);
    m_list->header()->setStretchLastSection(false);
    for (int column = 0; column < ResultListModel::kColumnCount; ++column)
        m_list->setColumnWidth(column, kListColumnWidths[column]);
    Place(m_list, kList);
    AddAnchor(m_list, {0, 0}, {1, 1});

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { m_views->SelectNode(current); });
    ExpandAsBuilt();
    m_tree->setCurrentIndex(m_views->DeletedFilesIndex());

    auto preview = [this](const QModelIndex& index) {
        PreviewRow(index.row());
        m_list->setFocus();
    };
    connect(m_list, &QAbstractItemView::clicked, this, preview);
    connect(m_list, &QAbstractItemView::activated, this, preview);
}

void CRuvexDlg::FitTimeColumn() {
    // Digits differ in width in some faces; the widest of these is what a date can need.
    const QFontMetrics metrics(m_list->font());
    int text = 0;
    for (const char* date : {"2026-12-10  10:22", "0000-00-00  00:00", "8888-88-88  88:88"})
        text = std::max(text, metrics.horizontalAdvance(QString::fromLatin1(date)));
    // The item delegate keeps a focus-frame margin and a pixel on each side.
    const int margin = m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1;
    const int column = ResultListModel::kTimeColumn;
    m_list->setColumnWidth(column, std::max(kListColumnWidths[column], text + 2 * margin + 8));
}

void CRuvexDlg::ExpandAsBuilt() {
    ForEachInSubtree(m_results->Root(), [this](TreeNode& node) {
        if (node.expanded) m_tree->setExpanded(m_views->Tree().IndexOf(node), true);
    });
}

void CRuvexDlg::CreatePreviewPages() {
    m_tab = new PageTabWidget(this);
    m_tab->setObjectName(QStringLiteral("previewTabs"));
    Place(m_tab, kTab);
    AddAnchor(m_tab, {0, 1}, {1, 1});

    m_hexView = new HexView(m_tab);
    m_hexView->setObjectName(QStringLiteral("hexPage"));
    m_hexView->SetBytesPerRow(8);
    m_tab->AddPage(m_hexView, QString::fromStdU16String(kInitialHexCaption));
    // The tabs hold one page at a time: the close button has nothing to do
    // here and stays out of the Tab chain.
    m_tab->CloseButton()->setFocusPolicy(Qt::NoFocus);

    // A picture is 400 by 300 pixels, taller than the page of a small
    // window: the page scrolls.
    m_pictureArea = new QScrollArea(m_tab);
    m_pictureArea->setObjectName(QStringLiteral("picturePage"));
    m_picture = new QLabel;
    m_picture->setObjectName(QStringLiteral("pictureLabel"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pictureArea->setWidget(m_picture);
    m_pictureArea->setWidgetResizable(true);
    m_pictureArea->hide();

    m_zipText = new QPlainTextEdit(m_tab);
    m_zipText->setObjectName(QStringLiteral("zipPage"));
    m_zipText->setReadOnly(true);
    m_zipText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_zipText->hide();
}

void CRuvexDlg::CreateButtons() {
    auto make = [this](const char* name, const char* markup, PictureId picture, const DialogUnitRect& rect) {
        auto* button = new MarkupButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->SetMarkupEnabled(true);
        button->setText(QString::fromUtf8(markup));
        button->SetPicture(Pictures::Bitmap(picture), kButtonPicture);
        Place(button, rect);
        AddAnchor(button, {1, 0}, {1, 0});
        return button;
    };
    m_btnRecover = make("recoverButton", kRecoverMarkup, PictureId::ToolsBitmap, kRecoverButton);
    m_btnFind = make("findButton", kFindMarkup, PictureId::ComputerGlobeBitmap, kFindButton);
    connect(m_btnRecover, &QAbstractButton::clicked, this, &CRuvexDlg::OnStartRecovery);
    connect(m_btnFind, &QAbstractButton::clicked, this, &CRuvexDlg::OnFind);
}

void CRuvexDlg::CreateMenus() {
    m_treeMenu = new QMenu(this);
    m_treeMenu->setObjectName(QStringLiteral("treeMenu"));
    m_treeMenu->addAction(QStringLiteral("------"));
    connect(m_tree, &ResultItemView::contextMenuAt, this, [this](const QModelIndex& index, const QPoint& at) {
        m_tree->setCurrentIndex(index);
        m_treeMenu->popup(at);
    });

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("listMenu"));
    m_listMenu->addAction(QStringLiteral("恢复此文件"), this, &CRuvexDlg::OnRecoverThisFile);
    connect(m_list, &ResultItemView::contextMenuAt, this, [this](const QModelIndex& index, const QPoint& at) {
        // The menu key acts on the current row: make sure it is selected.
        if (!m_list->selectionModel()->isRowSelected(index.row(), {}))
            m_list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_listMenu->popup(at);
    });

    // No system menu to hold "About" on every desktop: F1 and the window's
    // own context menu offer it.
    auto* about = new QAction(QStringLiteral("&About Ruvex..."), this);
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setShortcut(QKeySequence::HelpContents);
    connect(about, &QAction::triggered, this, &CRuvexDlg::ShowAbout);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CRuvexDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    StepLook::PaintBackground(painter, rect());
    StepLook::PaintCaption(painter, QPoint(30, 100), QString::fromUtf8(kStepCaption));
}

void CRuvexDlg::PreviewRow(int row) {
    if (const ListRow* shown = m_views->List().RowAt(row)) m_previewLoader->Request(*shown);
}

void CRuvexDlg::ShowPreview(const PreviewContent& content) {
    m_tab->RemovePage(0);
    switch (content.page) {
        case PreviewPage::Picture:
            if (content.picture.isNull()) {
                m_picture->setPixmap({});
                m_picture->setText(content.text);
            } else {
                m_picture->setPixmap(QPixmap::fromImage(content.picture));
            }
            m_tab->AddPage(m_pictureArea, content.caption);
            break;
        case PreviewPage::ZipText:
            m_zipText->setPlainText(content.text);
            m_tab->AddPage(m_zipText, content.caption);
            break;
        case PreviewPage::Hex:
            m_hexView->SetData(content.bytes, content.bytes.size() + 10);
            m_tab->AddPage(m_hexView, content.caption);
            break;
    }
}

void CRuvexDlg::OnStartRecovery() { StartRecovery({this, *m_results, *m_reader, m_driveLetter}); }

void CRuvexDlg::OnRecoverThisFile() {
    QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    int first = selected.front().row();
    for (const QModelIndex& index : selected) first = std::min(first, index.row());
    if (const ListRow* row = m_views->List().RowAt(first))
        RecoverThisFile({this, *m_results, *m_reader, m_driveLetter}, *row);
}

void CRuvexDlg::OnFind() {
    CFindDlg dialog(*m_views, this);
    dialog.exec();
}

void CRuvexDlg::ShowAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}
