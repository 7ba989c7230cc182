#include "controls/scrolls.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

#include <algorithm>

void TScrolls::SetHandle(QAbstractScrollArea* handle)
{
    Handle = handle;
}

void TScrolls::HorzLayout(const QRect& client, int totalWidth)
{
    HorzArea = client;
    HorzPage = std::max(client.width() - 10, 10);
    HorzMax = std::max(0, totalWidth - client.width());
    if (!Handle)
        return;
    QScrollBar* bar = Handle->horizontalScrollBar();
    bar->setSingleStep(HorzLine);
    bar->setPageStep(HorzPage);
    bar->setRange(0, HorzMax);
}

void TScrolls::VertLayout(const QRect& area, int rowCount)
{
    VertArea = area;
    const int visible = std::max(0, area.height()) / VertUnit;
    VertPage = std::max(1, visible - 1);
    VertMax = std::max(0, rowCount - visible);
    if (!Handle)
        return;
    QScrollBar* bar = Handle->verticalScrollBar();
    bar->setSingleStep(VertLine);
    bar->setPageStep(VertPage);
    bar->setRange(0, VertMax);
}

int TScrolls::VertPos() const
{
    return Handle ? Handle->verticalScrollBar()->value() : 0;
}

int TScrolls::HorzPos() const
{
    return Handle ? Handle->horizontalScrollBar()->value() : 0;
}

bool TScrolls::Scroll(Qt::Orientation orientation, TScrollRequest request, int thumb)
{
    const bool vertical = orientation == Qt::Vertical;
    const int position = vertical ? VertPos() : HorzPos();
    const int line = vertical ? VertLine : HorzLine;
    const int page = vertical ? VertPage : HorzPage;
    const int maximum = vertical ? VertMax : HorzMax;
    int next = position;
    switch (request) {
    case srLineUp:
        next = position - line;
        break;
    case srLineDown:
        next = position + line;
        break;
    case srPageUp:
        next = position - page;
        break;
    case srPageDown:
        next = position + page;
        break;
    case srThumbTrack:
        next = thumb;
        break;
    case srTop:
        next = 0;
        break;
    case srBottom:
        next = maximum;
        break;
    default:
        return false;
    }
    return ScrollTo(orientation, next);
}

bool TScrolls::ScrollTo(Qt::Orientation orientation, int position)
{
    if (!Handle)
        return false;
    const bool vertical = orientation == Qt::Vertical;
    position = std::clamp(position, 0, vertical ? VertMax : HorzMax);
    QScrollBar* bar = vertical ? Handle->verticalScrollBar() : Handle->horizontalScrollBar();
    if (bar->value() == position)
        return false;
    bar->setValue(position);
    return true;
}

void TScrolls::ScrollContent(int horzDelta, int vertDelta) const
{
    if (!Handle)
        return;
    QWidget* viewport = Handle->viewport();
    // Scrolling the whole client area horizontally carries the header along;
    // vertically only the rows below it move.
    if (horzDelta != 0)
        viewport->scroll(horzDelta * HorzUnit, 0);
    if (vertDelta != 0)
        viewport->scroll(0, vertDelta * VertUnit, VertArea);
}
