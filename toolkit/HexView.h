#pragma once
// A read-only hex view over its own copy of a byte range: offset, hex bytes
// and their characters, one row per line, scrolled by rows. Only the visible
// rows are formatted and drawn, so a 10 MiB buffer scrolls as fast as 10 bytes.
#include <QAbstractScrollArea>

#include <cstdint>
#include <span>
#include <vector>

class HexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit HexView(QWidget* parent = nullptr);

    // Keeps a copy of at most `maxLength` bytes and shows them from offset 0.
    void SetData(std::span<const std::uint8_t> bytes, std::size_t maxLength);
    void SetBytesPerRow(int count);
    int BytesPerRow() const { return m_bytesPerRow; }
    std::size_t DataSize() const { return m_data.size(); }

    qint64 RowCount() const;
    qint64 FirstVisibleRow() const;
    // Rows that fit wholly in the view (at least one).
    int VisibleRowCount() const;
    void ScrollToRow(qint64 row);
    // The row as drawn: "00000010  41 42 ...  AB...", padded when short.
    QString RowText(qint64 row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateScrollBar();
    int RowHeight() const;
    int OffsetDigits() const;

    std::vector<std::uint8_t> m_data;
    int m_bytesPerRow = 16;
};
