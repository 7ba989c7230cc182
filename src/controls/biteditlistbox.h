#pragma once
// The list form of the bit-flag editor: one cell per row with the bit's name
// beside it. Used alone and as the drop-down of TBitEditComboBox.

#include "controls/custombitedit.h"

class TBitEditListBox : public TCustomBitEdit {
    Q_OBJECT
public:
    explicit TBitEditListBox(QWidget* parent = nullptr);

    QRect GetBitRect(int index) const override;
    // The area of the item's name, right of its cell.
    QRect GetTitleRect(int index) const;

protected:
    void DoPaint(QPainter& painter, const QRect& rect) override;
    void mousePressEvent(QMouseEvent* event) override;
};
