#pragma once
// The table grid of the archive, journal and packet tables: fixed-height rows
// of text and check-box cells under a resizable header, one selected cell, an
// in-place editor and keyboard and mouse navigation. Rows keep their texts in
// one UTF-8 buffer each, so that a table of many thousand rows costs about the
// size of its text, and only the visible rows are painted.

#include "controls/notifyevent.h"
#include "controls/scrolls.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QHeaderView;
class QLineEdit;
class TGoodTableHeaderModel;
class TGoodTableEditor;

enum ColType : int32_t { ctText = 0, ctCheckBox = 1 };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TGoodTable : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int HeaderHeight = 17;
    static constexpr int RowHeight = 17; // 16 for the cell, 1 for the grid line
    static constexpr int CheckBoxSize = 13;
    static constexpr int DefaultWidth = 50;

    explicit TGoodTable(QWidget* parent = nullptr);
    ~TGoodTable() override;

    int ColCount() const { return static_cast<int>(columns_.size()); }
    void SetColCount(int value);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    void SetRowCount(int value);

    int Col() const { return col_; }
    void SetCol(int value);
    int Row() const { return row_; }
    void SetRow(int value);

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    const QStringList& Items() const { return items_; }
    void SetItems(const QStringList& list);

    QString Cells(int row, int col) const;
    void SetCells(int row, int col, const QString& text);
    // Sets every text cell of a row at once from UTF-8 texts (missing ones
    // empty); the fast path of tables filled with many thousand rows.
    void SetRowTexts(int row, const std::vector<std::string>& texts);
    bool CellsChecked(int row, int col) const;
    void SetCellsChecked(int row, int col, bool value);
    QColor CellsTextColor(int row, int col) const;
    void SetCellsTextColor(int row, int col, const QColor& value);

    QString Captions(int col) const;
    void SetCaptions(int col, const QString& text);
    int Widths(int col) const;
    void SetWidths(int col, int value);
    ColType ColTypes(int col) const;
    void SetColTypes(int col, ColType value);
    TAlignment ColAlignment(int col) const;
    void SetColAlignment(int col, TAlignment value);
    bool ColReadOnly(int col) const;
    void SetColReadOnly(int col, bool value);

    QRect GetCellRect(int row, int col) const;
    // The centred check box of a cell rectangle.
    static QRect CheckBoxRect(const QRect& cell);

    void ShowEditor();
    void HideEditor();
    bool EditorVisible() const;
    QLineEdit* Editor() const;
    QHeaderView* Header() const { return header_; }
    const TScrolls& ScrollState() const { return scrolls_; }
    void Action();
    void InvChecking();
    void Change();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelChange;

signals:
    void changed();
    void selChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TGoodTableEditor;

    struct ColInfo {
        ColType Type = ctText;
        bool ReadOnly = false;
        TAlignment Alignment = taLeftJustify;
    };
    // Checks and colours of a row, kept only once a cell differs from a new one.
    struct RowExtra {
        std::vector<uint8_t> Checked;
        std::vector<QRgb> TextColor;
    };
    struct RowData {
        std::string Text;           // every cell's text, one after another
        std::vector<uint32_t> Ends; // end of each cell in Text; empty while the row has no text
        std::unique_ptr<RowExtra> Extra;
    };

    bool ValidCell(int row, int col) const
    {
        return row >= 0 && row < RowCount() && col >= 0 && col < ColCount();
    }
    RowExtra& Extra(RowData& row);
    void ResizeRowCells(RowData& row, int count);
    void Select(int row, int col);
    void MakeVisible();
    void UpdateCell(int row, int col);
    void SelectAt(const QPoint& point);
    void MoveRow(int delta);
    int PageRows() const;
    void HorzLayout();
    void VertLayout();
    int TotalWidth() const;
    void DrawCell(QPainter& painter, const QRect& rect, int row, bool selected, int col);
    void EditorTextChanged(const QString& text);

    TScrolls scrolls_;
    QHeaderView* header_ = nullptr;
    TGoodTableHeaderModel* headerModel_ = nullptr;
    TGoodTableEditor* editor_ = nullptr;
    int col_ = -1;
    int row_ = -1;
    bool tracking_ = false;
    bool readOnly_ = false;
    QStringList items_;
    std::vector<RowData> rows_;
    std::vector<ColInfo> columns_;
    bool loadingEditor_ = false;
    bool hidingEditor_ = false;
    int wheelRemainder_ = 0;
};
