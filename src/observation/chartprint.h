#pragma once
// The print preview of a chart: the chart drawn to fit the printer's page,
// in a standard preview window with its page set-up and printing.

class QCustomPlot;
class QWidget;

void PreviewChart(QCustomPlot* chart, QWidget* parent);
