#include "observation/adcsignalframe.h"

#include "observation/chartprint.h"
#include "observation/graphobservationframe.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>

namespace {

struct SeriesStruct {
    const char* Caption;
    QColor Color;
};

const SeriesStruct kSeriesList[TAdcSignalView::kSeries] = {
    {"A", Qt::red},
    {"B", Qt::blue},
    {"Код", Qt::black},
    {"I индуктора", QColor(0, 128, 0)},
    {"U индуктора", QColor(128, 0, 128)},
};

} // namespace

TAdcSignalView::TAdcSignalView(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("AdcSignalView");
    auto* root = new QVBoxLayout(this);

    Chart1 = new QCustomPlot(this);
    Chart1->setObjectName("Chart1");
    Chart1->setMinimumSize(300, 200);
    for (int n = 1; n <= kSeries; ++n) {
        QCPGraph* series = Chart1->addGraph();
        series->setObjectName(QString("Series%1").arg(n));
        series->setName(QString::fromUtf8(kSeriesList[n - 1].Caption));
        series->setPen(QPen(kSeriesList[n - 1].Color));
        series->setLineStyle(QCPGraph::lsLine);
        Series_[static_cast<size_t>(n - 1)] = series;
    }
    root->addWidget(Chart1, 1);

    auto* bottom = new QHBoxLayout;
    root->addLayout(bottom);
    for (int n = 1; n <= kSeries; ++n) {
        auto* box = new QCheckBox(QString::fromUtf8(kSeriesList[n - 1].Caption), this);
        box->setObjectName(QString("CheckBox%1").arg(n));
        box->setChecked(true);
        bottom->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this] { CheckBoxClick(); });
        CheckBox[static_cast<size_t>(n - 1)] = box;
    }
    bottom->addStretch(1);
    bottom->addWidget(new QLabel(QString::fromUtf8("Интервал запроса")));
    AdcSignalRequestInterval = new QSpinBox(this);
    AdcSignalRequestInterval->setObjectName("AdcSignalRequestInterval");
    AdcSignalRequestInterval->setRange(100, 2000);
    AdcSignalRequestInterval->setSingleStep(100);
    AdcSignalRequestInterval->setValue(1000);
    bottom->addWidget(AdcSignalRequestInterval);
    bottom->addWidget(new QLabel(QString::fromUtf8("мс")));
    connect(AdcSignalRequestInterval, &QSpinBox::valueChanged, this, [](int value) {
        TRegistry registry;
        registry.OpenKey(kGraphObservationSetupKey, true);
        registry.WriteInteger("AdcSignalInterval", value);
    });
    bottom->addSpacing(16);
    PrintChart = new QPushButton(QString::fromUtf8("Печать"), this);
    PrintChart->setObjectName("PrintChart");
    bottom->addWidget(PrintChart);
    connect(PrintChart, &QPushButton::clicked, this, [this] { PrintChartClick(); });
}

void TAdcSignalView::InitPage()
{
    TRegistry registry;
    registry.OpenKey(kGraphObservationSetupKey, true);
    {
        QSignalBlocker block(AdcSignalRequestInterval);
        AdcSignalRequestInterval->setValue(registry.ReadIntegerDef("AdcSignalInterval", 1000));
    }
    Period = 4;
    Offset = 10;
}

int TAdcSignalView::RequestTicks() const
{
    return AdcSignalRequestInterval->value() / 10;
}

void TAdcSignalView::TakeAdcTiming(double periodMs, double offsetMs)
{
    Period = periodMs;
    Offset = offsetMs;
}

void TAdcSignalView::TakeData(TInteract& record)
{
    record.Progress = RequestTicks();
    std::vector<double> a, b, current, voltage;
    if (PageHost)
        PageHost->Device().TakeAdcSignal(a, b, current, voltage);
    ShowSignal(a, b, current, voltage);
}

void TAdcSignalView::ShowSignal(const std::vector<double>& signalA, const std::vector<double>& signalB,
                                const std::vector<double>& current, const std::vector<double>& voltage)
{
    // The halves of one frame are equally long; the code is their
    // difference, sample by sample.
    const size_t count = std::min(signalA.size(), signalB.size());
    QVector<double> time(static_cast<qsizetype>(count));
    QVector<double> a(time.size()), b(time.size()), code(time.size());
    for (size_t i = 0; i < count; ++i) {
        const auto at = static_cast<qsizetype>(i);
        time[at] = static_cast<double>(i + 2) * Period + Offset;
        a[at] = signalA[i];
        b[at] = signalB[i];
        code[at] = signalA[i] - signalB[i];
    }
    Series_[0]->setData(time, a, true);
    Series_[1]->setData(time, b, true);
    Series_[2]->setData(time, code, true);
    auto numbered = [](QCPGraph* series, const std::vector<double>& values) {
        QVector<double> x(static_cast<qsizetype>(values.size()));
        for (qsizetype i = 0; i < x.size(); ++i)
            x[i] = static_cast<double>(i + 1);
        series->setData(x, QVector<double>(values.begin(), values.end()), true);
    };
    numbered(Series_[3], current);
    numbered(Series_[4], voltage);
    UpdateChart();
}

void TAdcSignalView::CheckBoxClick()
{
    for (size_t i = 0; i < kSeries; ++i)
        Series_[i]->setVisible(CheckBox[i]->isChecked());
    UpdateChart();
}

void TAdcSignalView::UpdateChart()
{
    Chart1->rescaleAxes(true);
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TAdcSignalView::PrintChartClick()
{
    PreviewChart(Chart1, this);
}
