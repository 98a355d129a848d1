#include "tests/toolkit/WidgetTests.h"
#include "toolkit/MarkupButton.h"
#include "toolkit/Pictures.h"
#include "toolkit/StepLook.h"

#include <QDialog>
#include <QSignalSpy>
#include <QTest>

void MarkupButtonTest::MarkupCaptionDrawsItsTextInItsColour() {
    MarkupButton button;
    button.setText(QStringLiteral("<TextBlock Foreground='#749719' >下一步</TextBlock>"));
    // Markup is off until enabled.
    QCOMPARE(button.CaptionText(), button.text());
    button.SetMarkupEnabled(true);
    QCOMPARE(button.CaptionText(), QStringLiteral("下一步"));
    QCOMPARE(button.CaptionColor(), QColor(0x74, 0x97, 0x19));

    const QSize withoutPicture = button.sizeHint();
    button.SetPicture(Pictures::Bitmap(PictureId::ToolsBitmap), QSize(60, 32));
    QCOMPARE(button.iconSize(), QSize(60, 32));
    QVERIFY(button.sizeHint().height() >= withoutPicture.height() + 32);
    QVERIFY(button.sizeHint().width() >= 60);

    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    button.resize(button.sizeHint());
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

void MarkupButtonTest::ThemeMakesStepButtonsFlat() {
    QDialog dialog;
    auto* next = new MarkupButton(&dialog);
    QVERIFY(!next->Flat());
    StepLook::ApplyTheme(&dialog);
    QVERIFY(next->Flat());
    QCOMPARE(StepLook::Background(), QColor(243, 249, 255));
    QCOMPARE(StepLook::CaptionColor(), QColor(108, 145, 5));
}

void MarkupButtonTest::PicturesHaveTheirSizes() {
    QCOMPARE(Pictures::Bitmap(PictureId::LogoBitmap).size(), QSize(187, 73));
    QCOMPARE(Pictures::Bitmap(PictureId::CheckBoxBitmap).size(), QSize(32, 16));
    QCOMPARE(Pictures::Bitmap(PictureId::ToolsBitmap).size(), QSize(60, 32));
    QCOMPARE(Pictures::Bitmap(PictureId::ComputerGlobeBitmap).size(), QSize(60, 32));
    for (PictureId id : {PictureId::AppIcon, PictureId::PersonIcon, PictureId::DiskIcon, PictureId::ArchiveIcon,
                         PictureId::PictureDocumentIcon, PictureId::PaintDocumentIcon}) {
        for (int size : {16, 32, 20}) QCOMPARE(Pictures::Icon(id, size).size(), QSize(size, size));
    }
    QVERIFY(Pictures::IconSet(PictureId::AppIcon).availableSizes().contains(QSize(256, 256)));
}
