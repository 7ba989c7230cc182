#include "controls/custombitedit.h"

#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace {

// Mask of the bits that belong to count items; a 32-bit word holds at most 32.
uint32_t ItemMask(int count)
{
    if (count <= 0)
        return 0;
    if (count >= 32)
        return 0xFFFFFFFFu;
    return (1u << count) - 1u;
}

} // namespace

TCustomBitEdit::TCustomBitEdit(QWidget* parent) : QWidget(parent)
{
    for (int i = 0; i < 8; ++i)
        items_.append(QStringLiteral("Bit %1").arg(i));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCustomBitEdit::SetItems(const QStringList& items)
{
    items_ = items;
    update();
}

void TCustomBitEdit::SetSelectedItem(int value)
{
    if (selectedItem_ == value)
        return;
    selectedItem_ = value;
    update();
}

int32_t TCustomBitEdit::BitFlags() const
{
    return static_cast<int32_t>(static_cast<uint32_t>(bitFlags_) & ItemMask(ItemCount()));
}

void TCustomBitEdit::SetBitFlags(int32_t value)
{
    if (bitFlags_ == value)
        return;
    bitFlags_ = value;
    update();
    DoChange();
}

void TCustomBitEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
}

void TCustomBitEdit::SetBitBorder(int value)
{
    if (bitBorder_ == value)
        return;
    bitBorder_ = value;
    update();
}

void TCustomBitEdit::SetFirstBitSym(char value)
{
    if (firstBitSym_ == value)
        return;
    firstBitSym_ = value;
    update();
}

void TCustomBitEdit::SetBitSelectColor(const QColor& value)
{
    if (bitSelectColor_ == value)
        return;
    bitSelectColor_ = value;
    update();
}

void TCustomBitEdit::SetSingleBorder(bool value)
{
    if (singleBorder_ == value)
        return;
    singleBorder_ = value;
    update();
}

void TCustomBitEdit::SetInverted(bool value)
{
    if (inverted_ == value)
        return;
    inverted_ = value;
    update();
}

void TCustomBitEdit::SetColor(const QColor& value)
{
    if (color_ == value)
        return;
    color_ = value;
    update();
}

void TCustomBitEdit::ChangeBitFlag(int index)
{
    if (index < 0 || index >= 32)
        return;
    bitFlags_ = static_cast<int32_t>(static_cast<uint32_t>(bitFlags_) ^ (1u << index));
    update();
    DoChange();
}

QChar TCustomBitEdit::BitSymbol(int index) const
{
    int code = static_cast<unsigned char>(firstBitSym_) + index;
    // After '9' a digit start continues with 'A', as in hexadecimal.
    if (firstBitSym_ >= '0' && firstBitSym_ <= '9' && code > '9')
        code += 7;
    return QChar(code);
}

int TCustomBitEdit::CellSize() const
{
    const QFontMetrics metrics(font());
    const int charWidth =
        metrics.horizontalAdvance(QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 36;
    return std::max(metrics.height(), charWidth) + 2 * bitBorder_ + 2;
}

QRect TCustomBitEdit::GetBitRect(int) const
{
    return QRect();
}

int TCustomBitEdit::ItemAt(const QPoint& point) const
{
    for (int i = 0; i < ItemCount(); ++i)
        if (GetBitRect(i).contains(point))
            return i;
    return -1;
}

void TCustomBitEdit::DrawFocusRect(QPainter& painter, const QRect& rect, const QColor& background) const
{
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.state |= QStyle::State_KeyboardFocusChange;
    option.rect = rect;
    option.backgroundColor = background;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void TCustomBitEdit::DoChange()
{
    if (OnChange)
        OnChange(this);
    emit changed();
}

void TCustomBitEdit::DoPaint(QPainter&, const QRect&) {}

bool TCustomBitEdit::DoKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Space:
        if (IsValidItem(selectedItem_) && !readOnly_)
            ChangeBitFlag(selectedItem_);
        return false;
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (selectedItem_ > 0) {
            selectedItem_ = std::min(selectedItem_, ItemCount()) - 1;
            return true;
        }
        return false;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (selectedItem_ < ItemCount() - 1) {
            selectedItem_ = std::max(selectedItem_ + 1, 0);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TCustomBitEdit::paintEvent(QPaintEvent*)
{
    // Drawn into an image first: the highlight of a set bit is an exclusive-or
    // over what is already drawn, which only a raster image does exactly.
    const qreal ratio = devicePixelRatioF();
    QImage buffer(size() * ratio, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    {
        QPainter painter(&buffer);
        painter.setFont(font());
        QRect area = rect();
        painter.fillRect(area, color_);
        if (singleBorder_) {
            painter.setPen(Qt::black);
            painter.drawRect(area.adjusted(0, 0, -1, -1));
            area.adjust(1, 1, -1, -1);
        } else {
            const QColor dark = palette().color(QPalette::Shadow);
            const QColor light = palette().color(QPalette::Light);
            for (int i = 0; i < 2; ++i) {
                const QRect r = area.adjusted(i, i, -i, -i);
                painter.setPen(dark);
                painter.drawLine(r.topLeft(), r.topRight());
                painter.drawLine(r.topLeft(), r.bottomLeft());
                painter.setPen(light);
                painter.drawLine(r.bottomLeft(), r.bottomRight());
                painter.drawLine(r.topRight(), r.bottomRight());
            }
        }
        painter.setClipRect(area);

        const QColor inverse(255 - bitSelectColor_.red(), 255 - bitSelectColor_.green(),
                             255 - bitSelectColor_.blue());
        const uint32_t flags = static_cast<uint32_t>(bitFlags_);
        for (int i = 0; i < ItemCount(); ++i) {
            const QRect cell = GetBitRect(i);
            if (cell.isEmpty())
                continue;
            painter.setPen(Qt::black);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.adjusted(1, 1, -2, -2));
            painter.drawText(cell, Qt::AlignCenter, QString(BitSymbol(i)));
            if (i < 32 && (flags & (1u << i))) {
                painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                painter.fillRect(cell, inverse);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            }
        }
        DoPaint(painter, area);
        painter.setClipping(false);
    }
    QPainter widgetPainter(this);
    widgetPainter.drawImage(0, 0, buffer);
}

void TCustomBitEdit::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int index = ItemAt(event->position().toPoint());
    if (index < 0)
        return;
    selectedItem_ = index;
    if (readOnly_)
        update();
    else
        ChangeBitFlag(index);
}

void TCustomBitEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up &&
        key != Qt::Key_Down) {
        event->ignore();
        return;
    }
    if (DoKeyDown(key))
        update();
}

void TCustomBitEdit::focusInEvent(QFocusEvent* event)
{
    if (OnSetFocus)
        OnSetFocus(this);
    focused_ = true;
    update();
    QWidget::focusInEvent(event);
}

void TCustomBitEdit::focusOutEvent(QFocusEvent* event)
{
    if (OnKillFocus)
        OnKillFocus(this);
    update();
    focused_ = false;
    QWidget::focusOutEvent(event);
}
