#pragma once
// Items, styles, text kinds and notifications of the HTML list control.
#include <QRect>
#include <QString>

#include <cstdint>

class QWidget;

// Style bits.
inline constexpr unsigned HLS_CHECKBOXES = 1;  // a check box per item; click or Space toggles it
inline constexpr unsigned HLS_SEPARATORS = 2;  // a flat line along each item's left and bottom
inline constexpr unsigned HLS_IMAGES = 4;      // each item shows its image from the owner's list

// Text kinds.
inline constexpr int HLT_MARKUP = 1;  // markup, word-wrapped
inline constexpr int HLT_PLAIN = 2;   // plain text, word-wrapped
inline constexpr int HLT_PATH = 3;    // one line, shortened in the middle like a path

// Notification codes.
inline constexpr int HLN_SELECT = 1;
inline constexpr int HLN_LBUTTONDOWN = 2;
inline constexpr int HLN_RBUTTONDOWN = 3;
inline constexpr int HLN_DBLCLK = 4;
inline constexpr int HLN_CHECK = 5;

struct HTMLLIST_ITEM {
    int nItemNo = -1;             // position in the list
    int nHeight = 0;              // pixels
    int nTextKind = HLT_PLAIN;
    QString sItemText;
    std::intptr_t lItemData = 0;  // the owner's value
    QRect rcItem;                 // where the item was last painted, in viewport coordinates
    bool bChecked = false;
    bool bFixedHeight = false;    // the owner gave the height; it is never measured
    int nImage = 0;
};

struct HTMLLIST_NOTIFY_HEADER {
    QWidget* from = nullptr;
    int idFrom = 0;
    int code = 0;
};

// Built for one notification. "Empty" fields are item -1, empty text, data 0
// and not checked.
struct HTMLLIST_NOTIFY {
    HTMLLIST_NOTIFY_HEADER hdr;
    int nItemNo = -1;
    QString sItemText;
    std::intptr_t lItemData = 0;
    bool bChecked = false;
};
