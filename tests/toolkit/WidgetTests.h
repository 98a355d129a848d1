#pragma once
// The widget kit's tests, run on the offscreen platform. Each class is one
// ctest entry: toolkit_widget_tests <ClassName>.
#include <QObject>

class HtmlListCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void ClickBelowTheLastItemClearsTheSelection();
    void UpAndDownMoveTheSelectionFromEitherEnd();
    void WheelMovesFortyPixelsAndLinesFifty();
    void MeasuredHeightsFollowTheWidthFixedHeightsStay();
    void CheckBoxesToggleByClickAndSpace();
    void RightClicksAndDoubleClicksReportNoItem();
    void ChoosingBetweenTwoModesKeepsTheLastClicked();
    void MarkupItemsDrawInTheirColoursOnTheSelection();
    void TextStartsFiveBelowTheTopUnlessTheHeightIsFixed();
};

class ResizableDialogTest : public QObject {
    Q_OBJECT
private slots:
    void DialogUnitsFollowTheFontsBaseUnits();
    void AnchoredEdgesMoveByTheirFactors();
};

class HexViewTest : public QObject {
    Q_OBJECT
private slots:
    void RowsShowOffsetHexAndCharacters();
    void ScrollsToTheEndOfTenMebibytes();
};

class PageTabWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void PagesAreAddedShownAndRemovedOneByOne();
};

class MarkupButtonTest : public QObject {
    Q_OBJECT
private slots:
    void MarkupCaptionDrawsItsTextInItsColour();
    void ThemeMakesStepButtonsFlat();
    void PicturesHaveTheirSizes();
};
