#include "observation/chartprint.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <qcustomplot.h>

void PreviewChart(QCustomPlot* chart, QWidget* parent)
{
    QPrintPreviewDialog dialog(parent);
    dialog.setObjectName("ChartPreview");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, chart, [chart](QPrinter* printer) {
        QCPPainter painter(printer);
        const QRectF page = printer->pageRect(QPrinter::DevicePixel);
        // Lay the chart out at its screen size and scale it onto the page,
        // keeping its proportions.
        const int width = chart->width();
        const int height = chart->height();
        const double scale = std::min(page.width() / width, page.height() / height);
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        painter.scale(scale, scale);
        chart->toPainter(&painter, width, height);
    });
    dialog.exec();
}
