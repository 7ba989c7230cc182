#pragma once
// Scroll-bar handling of a window that scrolls by its own units: whole rows
// vertically, pixels horizontally. Positions are kept in the window's scroll
// bars; this record holds the steps, pages and maxima and moves the content.

#include <QRect>

class QAbstractScrollArea;

enum TScrollRequest {
    srLineUp,
    srLineDown,
    srPageUp,
    srPageDown,
    srThumbTrack,
    srTop,
    srBottom,
    srEndScroll
};

struct TScrolls {
    QAbstractScrollArea* Handle = nullptr;
    int VertPage = 1;  // rows
    int HorzPage = 10; // pixels
    int VertLine = 1;
    int HorzLine = 10;
    int VertMax = 0;
    int HorzMax = 0;
    int VertUnit = 17; // pixels per row
    int HorzUnit = 1;
    QRect VertArea; // scrolled by a vertical move: the client area below the header
    QRect HorzArea; // scrolled by a horizontal move: the whole client area

    void SetHandle(QAbstractScrollArea* handle);
    void HorzLayout(const QRect& client, int totalWidth);
    void VertLayout(const QRect& area, int rowCount);

    int VertPos() const;
    int HorzPos() const;
    // Moves the position as the request says, kept within 0 and the maximum;
    // other requests are ignored. True when the position changed.
    bool Scroll(Qt::Orientation orientation, TScrollRequest request, int thumb = 0);
    bool ScrollTo(Qt::Orientation orientation, int position);
    // Moves the drawn content by a position difference and leaves the
    // uncovered part to be repainted.
    void ScrollContent(int horzDelta, int vertDelta) const;
};
