#include "tests/toolkit/screenshots/Scenes.h"

#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/HexView.h"
#include "toolkit/KitFonts.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/PageTabWidget.h"
#include "toolkit/Pictures.h"
#include "toolkit/ResizableDialog.h"
#include "toolkit/StepLook.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidget>

#include <memory>

namespace {

// Shows the widget and lets every posted layout and resize event settle first.
QImage Shot(QWidget& widget) {
    widget.show();
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 50) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return widget.grab().toImage();
}

void PressOn(CHTMLListCtrl& list, int item) {
    const QPoint at = list.ItemRect(item).center() + QPoint(60, 0);
    QMouseEvent press(QEvent::MouseButtonPress, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &press);
}

// The first step: the two recovery modes.
void FillModeList(CHTMLListCtrl& list, ImageList& images) {
    images.Add(Pictures::Icon(PictureId::AppIcon, 32));
    images.Add(Pictures::Icon(PictureId::AppIcon, 32));
    list.SetImageList(&images);
    list.SetListStyle(HLS_SEPARATORS | HLS_IMAGES);
    list.SetItemData(list.InsertItem(QStringLiteral(
        "<br><b>●删除文件恢复</b><br><font color=#6464E6>★适用于被直接删除。或从回收站里删除的文件</font>"
        "<br><font color=#6464E6>★适用于装卸软件或病毒删除的文件</font>"), 0, HLT_MARKUP, 108), 1);
    list.SetItemData(list.InsertItem(QStringLiteral(
        "<br><b>●完全扫描恢复</b><br><font color=#6464E6>★深度扫描丢失文件盘符</font>"
        "<br><font color=#6464E6>★适用于格式化后文件名被破坏</font>"), 0, HLT_MARKUP, 108), 2);
}

MarkupButton* StepButton(QWidget* parent, const QString& caption, PictureId picture) {
    auto* button = new MarkupButton(parent);
    button->SetMarkupEnabled(true);
    button->setText(QStringLiteral("<TextBlock Foreground='#749719' >%1</TextBlock>").arg(caption));
    button->SetPicture(Pictures::Bitmap(picture), QSize(60, 32));
    return button;
}

class StepDialog : public ResizableDialog {
public:
    StepDialog(QString caption, QPoint captionAt)
        : ResizableDialog(QSize(490, 346)), m_caption(std::move(caption)), m_captionAt(captionAt) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        StepLook::PaintBackground(painter, rect());
        StepLook::PaintCaption(painter, QPoint(200, 50), QStringLiteral("客服: support@ruvex.example"));
        StepLook::PaintCaption(painter, m_captionAt, m_caption);
    }

private:
    QString m_caption;
    QPoint m_captionAt;
};

QImage ModeList() {
    QWidget window;
    window.resize(740, 560);
    CHTMLListCtrl list;
    ImageList images(QSize(32, 32));
    list.Create(&window, QRect(28, 118, 682, 422));
    FillModeList(list, images);
    return list.grab().toImage();
}

QImage ModeChoiceDialog() {
    StepDialog dialog(QStringLiteral("1.请用鼠标双击选择最适合的恢复模式"), QPoint(30, 100));
    dialog.setWindowTitle(QStringLiteral("Ruvex数据恢复软件"));
    auto* next = StepButton(&dialog, QStringLiteral("下一步"), PictureId::ToolsBitmap);
    dialog.Place(next, {217, 14, 50, 41});
    auto* list = new CHTMLListCtrl;
    list->Create(&dialog, QRect(28, 118, 682, 422));
    ImageList images(QSize(32, 32));
    FillModeList(*list, images);
    dialog.AddAnchor(list, {0, 0}, {1, 1});
    dialog.AddAnchor(next, {0, 0}, {1, 1});
    StepLook::ApplyTheme(&dialog);
    Shot(dialog);  // lays the dialog out before the press
    PressOn(*list, 1);
    return Shot(dialog);
}

QImage ListKinds() {
    QWidget window;
    window.resize(460, 330);
    CHTMLListCtrl list;
    ImageList images(QSize(16, 16));
    for (PictureId id : {PictureId::DiskIcon, PictureId::PersonIcon, PictureId::ArchiveIcon,
                         PictureId::PictureDocumentIcon, PictureId::PaintDocumentIcon}) {
        images.Add(Pictures::Icon(id, 16));
    }
    list.Create(&window, QRect(0, 0, 460, 330));
    list.SetImageList(&images);
    list.SetListStyle(HLS_CHECKBOXES | HLS_SEPARATORS | HLS_IMAGES);
    list.InsertItem(QStringLiteral("普通文字 plain text that wraps onto a second line when the list is narrow enough "
                                   "to need it, 中文也一样换行"), 0, HLT_PLAIN, 0);
    list.InsertItem(QStringLiteral("/home/用户/文档/很长的文件夹名字/another folder/deeper still/报告-2024-最终版.docx"),
                    2, HLT_PATH, 0);
    list.InsertItem(QStringLiteral("<b>粗体</b> <i>斜体</i> <u>下划线 underlined words</u> H<sub>2</sub>O "
                                   "x<sup>2</sup> <font color='#C03030'>红色 <font color=#308030>绿色</font> 又红</font>"
                                   "<p>新段落 new paragraph"), 3, HLT_MARKUP, 0);
    list.InsertItem(QStringLiteral("固定高度 fixed height 44"), 4, HLT_PLAIN, 44);
    list.InsertItem(QStringLiteral("C:\\photos\\holiday.jpg"), 1, HLT_PATH, 0);
    list.show();
    QApplication::processEvents();
    const QPoint box = list.ItemRect(2).topLeft() + QPoint(8, list.ItemRect(2).height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, box, list.viewport()->mapToGlobal(box), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &press);
    return Shot(window);
}

QImage Buttons() {
    QWidget page;
    page.resize(330, 90);
    auto* next = StepButton(&page, QStringLiteral("下一步"), PictureId::ToolsBitmap);
    auto* find = StepButton(&page, QStringLiteral("查找文件"), PictureId::ComputerGlobeBitmap);
    auto* cancel = new MarkupButton(&page);
    cancel->SetMarkupEnabled(true);
    cancel->setText(QStringLiteral("<TextBlock Foreground='#749719' >取消</TextBlock>"));
    next->setGeometry(10, 10, 75, 67);
    find->setGeometry(100, 10, 75, 67);
    cancel->setGeometry(190, 10, 75, 67);
    auto* plain = new MarkupButton(&page);
    plain->setText(QStringLiteral("确定"));
    plain->setGeometry(275, 30, 48, 26);
    StepLook::ApplyTheme(&page);
    plain->SetFlat(false);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, StepLook::Background());
    page.setPalette(palette);
    return Shot(page);
}

std::vector<std::uint8_t> SampleBytes() {
    const QByteArray text = QByteArrayLiteral("PK\x03\x04 Ruvex recovers deleted files. \xe6\x81\xa2\xe5\xa4\x8d\r\n");
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    for (int i = 0; i < 200; ++i) bytes.push_back(std::uint8_t(i * 37));
    return bytes;
}

QImage HexViewShot() {
    HexView view;
    view.resize(360, 220);
    view.SetBytesPerRow(8);
    const auto bytes = SampleBytes();
    view.SetData(bytes, bytes.size() + 10);
    return Shot(view);
}

QImage Tabs() {
    PageTabWidget tabs;
    tabs.resize(380, 220);
    auto* hex = new HexView;
    const auto bytes = SampleBytes();
    hex->SetBytesPerRow(8);
    hex->SetData(bytes, bytes.size());
    auto* text = new QLabel(QStringLiteral("readme.txt   [200byte]\r\ndocs/"));
    tabs.AddPage(text, QStringLiteral("文字"));
    tabs.AddPage(hex, QStringLiteral("十六进制显示"));
    return Shot(tabs);
}

// The results window's layout stretched beyond its first size.
QImage ResultsLayout() {
    StepDialog dialog(QStringLiteral("3.请选择要恢复的文件,单击图片文件可以预览内容,点鼠标右键可以恢复文件"), QPoint(30, 100));
    auto* tree = new QTreeWidget(&dialog);
    tree->setHeaderHidden(true);
    auto* drive = new QTreeWidgetItem(tree, {QStringLiteral("D:")});
    new QTreeWidgetItem(drive, {QStringLiteral("删除的文件")});
    new QTreeWidgetItem(drive, {QStringLiteral("找到的文件")});
    drive->setExpanded(true);
    auto* list = new QTreeWidget(&dialog);
    list->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("大小"), QStringLiteral("时间")});
    auto* tabs = new PageTabWidget(&dialog);
    auto* hex = new HexView;
    const auto bytes = SampleBytes();
    hex->SetBytesPerRow(8);
    hex->SetData(bytes, bytes.size());
    tabs->AddPage(hex, QStringLiteral("十六进程显示"));
    auto* recover = StepButton(&dialog, QStringLiteral("开始恢复"), PictureId::ToolsBitmap);
    auto* find = StepButton(&dialog, QStringLiteral("查找文件"), PictureId::ComputerGlobeBitmap);
    dialog.Place(tree, {21, 73, 181, 255});
    dialog.Place(list, {205, 73, 271, 71});
    dialog.Place(tabs, {207, 152, 270, 176});
    dialog.Place(recover, {214, 14, 50, 40});
    dialog.Place(find, {281, 15, 49, 40});
    dialog.AddAnchor(tabs, {0, 1}, {1, 1});
    dialog.AddAnchor(list, {0, 0}, {1, 1});
    dialog.AddAnchor(tree, {0, 0}, {0, 1});
    dialog.AddAnchor(recover, {1, 0}, {1, 0});
    dialog.AddAnchor(find, {1, 0}, {1, 0});
    StepLook::ApplyTheme(&dialog);
    dialog.resize(dialog.size() + QSize(160, 90));
    return Shot(dialog);
}

QImage PictureSheet() {
    QImage sheet(520, 300, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setFont(KitFonts::ListFont());
    painter.setPen(Qt::black);
    int x = 10;
    for (PictureId id : {PictureId::AppIcon, PictureId::PersonIcon, PictureId::DiskIcon, PictureId::ArchiveIcon,
                         PictureId::PictureDocumentIcon, PictureId::PaintDocumentIcon}) {
        painter.drawPixmap(x, 10, Pictures::Icon(id, 48));
        painter.drawPixmap(x + 8, 64, Pictures::Icon(id, 32));
        painter.drawPixmap(x + 16, 102, Pictures::Icon(id, 16));
        painter.drawText(x + 10, 134, QString::number(int(id)));
        x += 70;
    }
    painter.drawPixmap(10, 150, Pictures::Bitmap(PictureId::LogoBitmap));
    painter.fillRect(QRect(210, 150, 300, 140), StepLook::Background());
    painter.drawPixmap(220, 160, Pictures::Bitmap(PictureId::LogoBitmap));
    painter.drawPixmap(220, 240, Pictures::Bitmap(PictureId::ToolsBitmap));
    painter.drawPixmap(290, 240, Pictures::Bitmap(PictureId::ComputerGlobeBitmap));
    painter.drawPixmap(360, 248, Pictures::Bitmap(PictureId::CheckBoxBitmap));
    painter.drawPixmap(10, 240, Pictures::Bitmap(PictureId::CheckBoxBitmap).scaled(64, 32));
    return sheet;
}

}  // namespace

std::vector<Scene> AllScenes() {
    return {
        {QStringLiteral("mode-list.png"), ModeList},
        {QStringLiteral("mode-choice-dialog.png"), ModeChoiceDialog},
        {QStringLiteral("html-list-kinds.png"), ListKinds},
        {QStringLiteral("markup-buttons.png"), Buttons},
        {QStringLiteral("hex-view.png"), HexViewShot},
        {QStringLiteral("page-tabs.png"), Tabs},
        {QStringLiteral("results-layout.png"), ResultsLayout},
        {QStringLiteral("pictures.png"), PictureSheet},
    };
}
