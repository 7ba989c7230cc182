#include "controls/biteditlistbox.h"

#include <QMouseEvent>
#include <QPainter>

TBitEditListBox::TBitEditListBox(QWidget* parent) : TCustomBitEdit(parent) {}

QRect TBitEditListBox::GetBitRect(int index) const
{
    const int size = CellSize();
    const int border = BitBorder();
    const QRect square(0, VisualIndex(index) * size, size, size);
    return square.translated(2, 2).adjusted(border, border, -border, -border);
}

QRect TBitEditListBox::GetTitleRect(int index) const
{
    const QRect cell = GetBitRect(index);
    return QRect(QPoint(cell.right() + 1 + 2, cell.top()), QPoint(width() - 2 - 1, cell.bottom()));
}

void TBitEditListBox::DoPaint(QPainter& painter, const QRect&)
{
    for (int i = 0; i < ItemCount(); ++i) {
        const QRect title = GetTitleRect(i);
        if (i == SelectedItem() && Focused()) {
            painter.fillRect(title, palette().color(QPalette::Highlight));
            painter.setPen(palette().color(QPalette::HighlightedText));
            DrawFocusRect(painter, title, palette().color(QPalette::Highlight));
        } else {
            painter.setPen(palette().color(QPalette::WindowText));
        }
        painter.drawText(title.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Items().at(i));
    }
}

void TBitEditListBox::mousePressEvent(QMouseEvent* event)
{
    TCustomBitEdit::mousePressEvent(event);
    const QPoint point = event->position().toPoint();
    for (int i = 0; i < ItemCount(); ++i) {
        if (GetTitleRect(i).contains(point)) {
            SetSelectedItem(i);
            update();
            break;
        }
    }
}
