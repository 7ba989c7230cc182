#pragma once
// The compact form of the bit-flag editor: cells in a row (or a grid of
// ColumnCount columns) with a button that drops down the list of bit names.

#include "controls/custombitedit.h"

class TBitEditListBox;

class TBitEditComboBox : public TCustomBitEdit {
    Q_OBJECT
public:
    explicit TBitEditComboBox(QWidget* parent = nullptr);
    ~TBitEditComboBox() override;

    int ColumnCount() const { return columnCount_; }
    void SetColumnCount(int value);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);

    void SetBitFlags(int32_t value) override;

    QRect GetBitRect(int index) const override;
    virtual QRect GetButtonRect() const;
    virtual void DoDropDown();

    bool IsDroppedDown() const;
    bool ButtonPressed() const { return buttonPressed_; }
    // The drop-down window and its list, null before the first drop-down.
    QWidget* DropDownWindow() const { return dropDown_; }
    TBitEditListBox* DropDownList() const { return list_; }

protected:
    void DoPaint(QPainter& painter, const QRect& rect) override;
    bool DoKeyDown(int key) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ListChange(QWidget* sender);
    void ListKillFocus(QWidget* sender);

    int columnCount_ = 0;
    int buttonWidth_ = 18;
    bool buttonPressed_ = false;
    bool buttonTracking_ = false;
    QWidget* dropDown_ = nullptr;
    TBitEditListBox* list_ = nullptr;
    bool updating_ = false;
};
