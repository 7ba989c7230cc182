#pragma once
// Common base of the bit-flag editors: a mask of up to 32 bits shown as square
// cells labelled with symbols, set bits highlighted, toggled by mouse or space.

#include "controls/notifyevent.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <cstdint>

class TCustomBitEdit : public QWidget {
    Q_OBJECT
public:
    explicit TCustomBitEdit(QWidget* parent = nullptr);

    const QStringList& Items() const { return items_; }
    void SetItems(const QStringList& items);
    int ItemCount() const { return static_cast<int>(items_.size()); }

    int SelectedItem() const { return selectedItem_; }
    void SetSelectedItem(int value);

    // Bits from the item count up to bit 31 always read as clear.
    int32_t BitFlags() const;
    virtual void SetBitFlags(int32_t value);

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    int BitBorder() const { return bitBorder_; }
    void SetBitBorder(int value);

    char FirstBitSym() const { return firstBitSym_; }
    void SetFirstBitSym(char value);

    QColor BitSelectColor() const { return bitSelectColor_; }
    void SetBitSelectColor(const QColor& value);

    bool SingleBorder() const { return singleBorder_; }
    void SetSingleBorder(bool value);

    bool Inverted() const { return inverted_; }
    void SetInverted(bool value);

    QColor Color() const { return color_; }
    void SetColor(const QColor& value);

    bool Focused() const { return focused_; }
    bool CanFocus() const { return true; }

    void ChangeBitFlag(int index);

    // The symbol shown in the cell of item index.
    QChar BitSymbol(int index) const;
    // Side of one cell in pixels, from the current font.
    int CellSize() const;
    virtual QRect GetBitRect(int index) const;
    bool IsValidItem(int index) const { return index >= 0 && index < ItemCount(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnKillFocus;
    TNotifyEvent OnSetFocus;

signals:
    void changed();

protected:
    virtual void DoChange();
    virtual void DoPaint(QPainter& painter, const QRect& rect);
    virtual bool DoKeyDown(int key);
    int32_t RawBitFlags() const { return bitFlags_; }
    // The cell position of item index after the Inverted reversal.
    int VisualIndex(int index) const { return inverted_ ? ItemCount() - 1 - index : index; }
    // The first item whose cell contains the point, -1 when none.
    int ItemAt(const QPoint& point) const;
    // The focus rectangle, drawn however the focus came (a style may
    // otherwise show it only after keyboard navigation).
    void DrawFocusRect(QPainter& painter, const QRect& rect, const QColor& background) const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QStringList items_;
    int selectedItem_ = 0;
    int32_t bitFlags_ = 0;
    bool readOnly_ = false;
    int bitBorder_ = 0;
    char firstBitSym_ = '0';
    QColor bitSelectColor_ = Qt::black;
    bool singleBorder_ = false;
    bool inverted_ = false;
    bool focused_ = false;
    QColor color_ = Qt::white;
};
