#include "ui/SelOneDlg.h"

#include "engine/ScanContext.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"
#include "toolkit/StepLook.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kItemHeight = 108;
constexpr QRect kListPixels(QPoint(28, 118), QPoint(709, 539));
constexpr DialogUnitRect kNextButton{217, 14, 50, 41};

const char16_t* const kDeletedFilesItem =
    u"<br><b>●删除文件恢复</b><br><font color=#6464E6>★适用于被直接删除。或从回收站里删除的文件</font>"
    u"<br><font color=#6464E6>★适用于装卸软件或病毒删除的文件</font>";
const char16_t* const kFullScanItem =
    u"<br><b>●完全扫描恢复</b><br><font color=#6464E6>★深度扫描丢失文件盘符</font>"
    u"<br><font color=#6464E6>★适用于格式化后文件名被破坏</font>";

}  // namespace

CSelOneDlg::CSelOneDlg(ScanContext& context, QWidget* parent)
    : StepDialog(QStringLiteral("1.请用鼠标双击选择最适合的恢复模式"), QPoint(30, 100), parent),
      m_context(context), m_modeImages(QSize(32, 32)) {
    m_context.recoveryMode = 0;
    setObjectName(QStringLiteral("modeDialog"));

    m_modeImages.Add(Pictures::Icon(PictureId::AppIcon, 32));
    m_modeImages.Add(Pictures::Icon(PictureId::AppIcon, 32));
    m_modeList = new CHTMLListCtrl(this);
    m_modeList->setObjectName(QStringLiteral("modeList"));
    m_modeList->Create(this, kListPixels);
    m_modeList->SetImageList(&m_modeImages);
    m_modeList->SetListStyle(HLS_SEPARATORS | HLS_IMAGES);
    m_modeList->SetItemData(m_modeList->InsertItem(QString::fromUtf16(kDeletedFilesItem), 0, HLT_MARKUP, kItemHeight), 1);
    m_modeList->SetItemData(m_modeList->InsertItem(QString::fromUtf16(kFullScanItem), 0, HLT_MARKUP, kItemHeight), 2);
    connect(m_modeList, &CHTMLListCtrl::Notify, this, &CSelOneDlg::OnListNotify);

    m_btnNext = CreateStepButton(QStringLiteral("下一步"), true);
    m_btnNext->setObjectName(QStringLiteral("btnNext"));
    Place(m_btnNext, kNextButton);
    connect(m_btnNext, &MarkupButton::clicked, this, &CSelOneDlg::OnNext);
    SetEnterCommand([this] { OnNext(); });

    AddAnchor(m_modeList, {0, 0}, {1, 1});
    AddAnchor(m_btnNext, {0, 0}, {1, 1});
    StepLook::ApplyTheme(this);
}

void CSelOneDlg::OnListNotify(const HTMLLIST_NOTIFY& notify) {
    if (notify.hdr.code == HLN_SELECT && notify.nItemNo != -1)
        m_context.recoveryMode = static_cast<int32_t>(notify.lItemData);
    else if (notify.hdr.code == HLN_DBLCLK)
        accept();
}

void CSelOneDlg::OnNext() {
    if (m_context.recoveryMode != 0)
        accept();
    else
        ShowMessage(this, QStringLiteral("请先选择最适合的恢复模式"), MessageIcon::None);
}
