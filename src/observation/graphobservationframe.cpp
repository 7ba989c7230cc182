#include "observation/graphobservationframe.h"

#include "device/zt_strings.h"
#include "observation/chartprint.h"
#include "observation/readingsfile.h"
#include "util/fileutil.h"
#include "util/registry.h"
#include "util/sysutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

using namespace ZT_namespace;

const char* const kGraphObservationSetupKey = "\\Software\\Selvar\\RAZevedavureva\\GraphObservationSetup";

namespace {

const QColor kSeriesColors[TObservationFrame::kChanels] = {
    Qt::black, Qt::red, QColor(128, 0, 0), QColor(255, 128, 0), QColor(166, 202, 240), QColor(255, 128, 0),
    QColor(166, 202, 240)};

QString Utf(const std::string& text)
{
    return QString::fromStdString(text);
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    return button;
}

std::string Numbered(const char* name, int n)
{
    return std::string(name) + "_" + std::to_string(n);
}

double ValueAt(const QCPGraph* series, int32_t index)
{
    const auto data = series->data();
    return index >= 0 && index < data->size() ? (data->constBegin() + index)->value : 0.0;
}

} // namespace

TObservationFrame::TObservationFrame(QWidget* parent) : TDevicePageFrame(parent)
{
    setObjectName("GraphObservation");
    AskClear = [this] {
        return QMessageBox::question(this, QString::fromUtf8("Внимание"),
                                     QString::fromUtf8("Очистить текущие показания ?"),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };

    auto* root = new QVBoxLayout(this);
    auto* middle = new QHBoxLayout;
    root->addLayout(middle, 1);

    // The left panel: sources, series and the chart commands.
    auto* left = new QVBoxLayout;
    middle->addLayout(left);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName("GraphPageControl");
    auto* sourceTab = new QWidget;
    sourceTab->setObjectName("SourceTabSheet");
    auto* sourceGrid = new QGridLayout(sourceTab);
    auto* graphTab = new QWidget;
    graphTab->setObjectName("GraphTabSheet");
    auto* graphLayout = new QVBoxLayout(graphTab);
    for (int n = 1; n <= kChanels; ++n) {
        const size_t i = static_cast<size_t>(n - 1);
        ComboBox[i] = BindList(("ComboBox" + std::to_string(n)).c_str(), ZT_Fields::ObservationChanel(n));
        ComboBox[i]->setMaxVisibleItems(33);
        ComboBox[i]->setMinimumContentsLength(14);
        sourceGrid->addWidget(new QLabel(QString::number(n)), n - 1, 0);
        sourceGrid->addWidget(ComboBox[i], n - 1, 1);
        connect(ComboBox[i], &QComboBox::activated, this, [this, i] { SourceChange(ComboBox[i]); });

        CheckBox[i] = new QCheckBox(graphTab);
        CheckBox[i]->setObjectName(QString("CheckBox%1").arg(n));
        graphLayout->addWidget(CheckBox[i]);
        connect(CheckBox[i], &QCheckBox::clicked, this, [this, i] { CheckBoxClick(CheckBox[i]); });
    }
    SetGraphSetup = Button("SetGraphSetup", "Задать", sourceTab);
    GetGraphSetup = Button("GetGraphSetup", "Считать", sourceTab);
    auto* setupButtons = new QHBoxLayout;
    setupButtons->addWidget(SetGraphSetup);
    setupButtons->addWidget(GetGraphSetup);
    sourceGrid->addLayout(setupButtons, kChanels, 0, 1, 2);
    sourceGrid->setRowStretch(kChanels + 1, 1);
    graphLayout->addStretch(1);
    tabs->addTab(sourceTab, QString::fromUtf8("Источник"));
    tabs->addTab(graphTab, QString::fromUtf8("График"));
    left->addWidget(tabs);
    connect(SetGraphSetup, &QPushButton::clicked, this, [this] { SetGraphSetupClick(SetGraphSetup); });
    connect(GetGraphSetup, &QPushButton::clicked, this, [this] { GetGraphSetupClick(GetGraphSetup); });

    auto* commands = new QGroupBox(this);
    commands->setObjectName("ChartCommands");
    auto* commandGrid = new QGridLayout(commands);
    struct Command {
        const char* name;
        const char* caption;
        void (TObservationFrame::*handler)();
    };
    const Command list[] = {
        {"ClearButton", "Очистить", &TObservationFrame::ClearClick},
        {"DeleteButton", "Удалить", &TObservationFrame::DeleteClick},
        {"ZoomOutButton", "Отдалить", &TObservationFrame::ZoomOutClick},
        {"ZoomInButton", "Приблизить", &TObservationFrame::ZoomInClick},
        {"ProlongButton", "Продлить", &TObservationFrame::ProlongClick},
        {"AllDataButton", "Все данные", &TObservationFrame::AllDataClick},
        {"AutoButton", "Авто", &TObservationFrame::AutoClick},
    };
    int row = 0;
    for (const Command& c : list) {
        QPushButton* button = Button(c.name, c.caption, commands);
        commandGrid->addWidget(button, row / 2, row % 2);
        connect(button, &QPushButton::clicked, this, [this, h = c.handler] { (this->*h)(); });
        ++row;
    }
    Scrolling = new QCheckBox(QString::fromUtf8("Скроллинг"), commands);
    Scrolling->setObjectName("Scrolling");
    Tracking = new QCheckBox(QString::fromUtf8("Отслеживание"), commands);
    Tracking->setObjectName("Tracking");
    commandGrid->addWidget(Scrolling, (row + 1) / 2, 0, 1, 2);
    commandGrid->addWidget(Tracking, (row + 1) / 2 + 1, 0, 1, 2);
    left->addWidget(commands);
    left->addStretch(1);

    // The chart: fast lines without marks, no legend or title.
    Chart1 = new QCustomPlot(this);
    Chart1->setObjectName("Chart1");
    Chart1->setMinimumSize(300, 200);
    Chart1->setFocusPolicy(Qt::StrongFocus);
    Chart1->setNoAntialiasingOnDrag(true);
    Chart1->setNotAntialiasedElements(QCP::aeAll);
    Chart1->installEventFilter(this);
    for (int n = 1; n <= kChanels; ++n) {
        QCPGraph* series = Chart1->addGraph();
        series->setObjectName(QString("Series%1").arg(n));
        series->setPen(QPen(kSeriesColors[n - 1]));
        series->setLineStyle(QCPGraph::lsLine);
        series->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
        series->setAdaptiveSampling(true);
        Series_[static_cast<size_t>(n - 1)] = series;
    }
    middle->addWidget(Chart1, 1);

    // The bottom panel: files, print, analysis, the poll interval, the rate.
    auto* bottom = new QHBoxLayout;
    root->addLayout(bottom);
    const Command files[] = {
        {"LoadButton", "Загрузить", &TObservationFrame::LoadClick},
        {"SaveButton", "Сохранить", &TObservationFrame::SaveClick},
        {"PrintButton", "Печать", &TObservationFrame::PrintClick},
        {"AnalyzeButton", "Анализ", &TObservationFrame::AnalyzeClick},
    };
    for (const Command& c : files) {
        QPushButton* button = Button(c.name, c.caption, this);
        bottom->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, h = c.handler] { (this->*h)(); });
    }
    bottom->addSpacing(16);
    bottom->addWidget(new QLabel(QString::fromUtf8("Интервал опроса")));
    ObservationRequestInterval = new QSlider(Qt::Horizontal, this);
    ObservationRequestInterval->setObjectName("ObservationRequestInterval");
    ObservationRequestInterval->setRange(3, 150);
    ObservationRequestInterval->setPageStep(30);
    ObservationRequestInterval->setTickPosition(QSlider::TicksBelow);
    ObservationRequestInterval->setTickInterval(10);
    ObservationRequestInterval->setValue(20);
    ObservationRequestInterval->setMinimumWidth(200);
    bottom->addWidget(ObservationRequestInterval, 1);
    connect(ObservationRequestInterval, &QSlider::valueChanged, this,
            [this](int value) { WriteRegistry("GraphObservationInterval", value); });
    bottom->addWidget(new QLabel(QString::fromUtf8("Данные")));
    RequestCount = AddDisplay("RequestCount");
    RequestCount->setMaximumWidth(80);
    bottom->addWidget(RequestCount);
}

void TObservationFrame::InitPage()
{
    SourceChange(nullptr);
    Tracked = -1;
    RateFilter.SetJumpRatio(0);
    RateFilter.SetWindow(16);

    const QStringList sources = TextList(ObservationSourceList);
    for (QComboBox* combo : ComboBox) {
        QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(sources);
        combo->setCurrentIndex(-1);
    }

    TRegistry registry;
    registry.OpenKey(kGraphObservationSetupKey, true);
    for (int n = 1; n <= kChanels; ++n) {
        const size_t i = static_cast<size_t>(n - 1);
        QSignalBlocker blockCombo(ComboBox[i]);
        QSignalBlocker blockCheck(CheckBox[i]);
        try {
            ComboBox[i]->setCurrentIndex(registry.ReadInteger(Numbered("DataIndex", n)));
        } catch (const Exception&) {
            ComboBox[i]->setCurrentIndex(-1);
        }
        try {
            CheckBox[i]->setChecked(registry.ReadInteger(Numbered("DataEnable", n)) != 0);
        } catch (const Exception&) {
            CheckBox[i]->setChecked(false);
        }
    }
    {
        QSignalBlocker block(ObservationRequestInterval);
        try {
            ObservationRequestInterval->setValue(registry.ReadInteger("GraphObservationInterval"));
        } catch (const Exception&) {
            ObservationRequestInterval->setValue(20);
        }
    }
    SourceChange(nullptr);
}

void TObservationFrame::RefreshPage()
{
    RefreshBindings();
    SourceChange(this);
}

bool TObservationFrame::CollectPage()
{
    for (const QComboBox* combo : ComboBox)
        if (combo->currentIndex() < 0) {
            if (PageHost)
                PageHost->LogMessage("Не установлен источник данных");
            return false;
        }
    return CollectBindings(0);
}

void TObservationFrame::SourceChange(QObject* sender)
{
    for (size_t i = 0; i < kChanels; ++i) {
        if (ComboBox[i]->currentIndex() < 1) {
            QSignalBlocker block(CheckBox[i]);
            CheckBox[i]->setChecked(false);
        }
        const QString text = ComboBox[i]->currentText();
        Series_[i]->setName(text);
        CheckBox[i]->setText(text);
    }
    if (!sender) {
        ApplyVisibility();
        return;
    }
    for (int n = 1; n <= kChanels; ++n)
        WriteRegistry(Numbered("DataIndex", n), ComboBox[static_cast<size_t>(n - 1)]->currentIndex());
    CheckBoxClick(sender);
}

void TObservationFrame::CheckBoxClick(QObject* sender)
{
    ApplyVisibility();
    if (!sender)
        return;
    for (int n = 1; n <= kChanels; ++n)
        WriteRegistry(Numbered("DataEnable", n), CheckBox[static_cast<size_t>(n - 1)]->isChecked() ? 1 : 0);
}

void TObservationFrame::ApplyVisibility()
{
    for (size_t i = 0; i < kChanels; ++i)
        Series_[i]->setVisible(CheckBox[i]->isChecked());
    UpdateChart();
}

void TObservationFrame::WriteRegistry(const std::string& name, int32_t value)
{
    TRegistry registry;
    registry.OpenKey(kGraphObservationSetupKey, true);
    // Every write replaces the file; a refresh repeats the same values.
    if (registry.GetDataType(name) == TRegDataType::rdInteger && registry.ReadInteger(name) == value)
        return;
    registry.WriteInteger(name, value);
}

bool TObservationFrame::SetGraphSetupClick(QObject*)
{
    return WritePage();
}

bool TObservationFrame::GetGraphSetupClick(QObject* sender)
{
    return ReadPage(sender == nullptr);
}

void TObservationFrame::TakeData(TInteract& record)
{
    std::vector<ObservationStruct> samples;
    if (PageHost)
        PageHost->Device().TakeObservations(samples);
    record.Progress = ObservationRequestInterval->value();
    AddSamples(samples);
}

void TObservationFrame::AddSamples(const std::vector<ObservationStruct>& samples)
{
    for (const ObservationStruct& sample : samples) {
        LastCounter = sample.Stamp;
        for (size_t i = 0; i < kChanels; ++i) {
            const double value = sample.Values[i];
            AddPoint(i, Position, std::isfinite(value) ? value : 0.0);
        }
        Position += 1;
    }
    RequestCount->setText(
        QString::fromStdString(Format("%.2f", RateFilter.Add(static_cast<float>(samples.size())))));
    // A poll that brought nothing new changes nothing on the chart.
    if (samples.empty())
        return;
    if (Scrolling->isChecked()) {
        const QCPRange range = Chart1->xAxis->range();
        const double shift = static_cast<double>(samples.size());
        Chart1->xAxis->setRange(range.lower + shift, range.upper + shift);
    }
    UpdateChart();
    if (Tracking->isChecked() && Tracked >= 0 && Series_[static_cast<size_t>(Tracked)]->visible()) {
        FitSeries(Tracked);
        Chart1->replot(QCustomPlot::rpQueuedReplot);
    }
}

void TObservationFrame::AddPoint(size_t series, double key, double value)
{
    Series_[series]->addData(key, value);
    QCPRange& range = ValueRanges[series];
    if (!HasValues[series]) {
        range = QCPRange(value, value);
        HasValues[series] = true;
    } else {
        range.expand(value);
    }
}

void TObservationFrame::RecomputeRanges()
{
    for (size_t i = 0; i < kChanels; ++i) {
        bool found = false;
        ValueRanges[i] = Series_[i]->data()->valueRange(found);
        HasValues[i] = found;
    }
}

void TObservationFrame::UpdateChart()
{
    // The automatic range of an axis spans the shown series; the keys are
    // sorted, so their span is the first and the last point.
    auto fit = [](QCPAxis* axis, bool found, QCPRange range) {
        if (!found)
            return;
        if (!QCPRange::validRange(range)) {
            const double centre = range.center();
            const double half = axis->range().size() / 2;
            range = QCPRange(centre - half, centre + half);
        }
        axis->setRange(range);
    };
    if (BottomAuto_) {
        bool found = false;
        QCPRange keys;
        for (const QCPGraph* series : Series_) {
            const auto data = series->data();
            if (!series->visible() || data->isEmpty())
                continue;
            const QCPRange own(data->constBegin()->key, (data->constEnd() - 1)->key);
            keys = found ? QCPRange(std::min(keys.lower, own.lower), std::max(keys.upper, own.upper)) : own;
            found = true;
        }
        fit(Chart1->xAxis, found, keys);
    }
    if (LeftAuto_) {
        bool found = false;
        QCPRange values;
        for (size_t i = 0; i < kChanels; ++i) {
            if (!Series_[i]->visible() || !HasValues[i])
                continue;
            values = found ? QCPRange(std::min(values.lower, ValueRanges[i].lower),
                                      std::max(values.upper, ValueRanges[i].upper))
                           : ValueRanges[i];
            found = true;
        }
        fit(Chart1->yAxis, found, values);
    }
    // The stream goes on while another page is shown: no drawing then.
    RedrawPending = !Chart1->isVisible();
    if (!RedrawPending)
        Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TObservationFrame::showEvent(QShowEvent* event)
{
    TDevicePageFrame::showEvent(event);
    if (RedrawPending) {
        RedrawPending = false;
        Chart1->replot(QCustomPlot::rpQueuedReplot);
    }
}

void TObservationFrame::SetLeftManual(double lower, double upper)
{
    LeftAuto_ = false;
    Chart1->yAxis->setRange(lower, upper);
}

void TObservationFrame::SetBottomManual(double lower, double upper)
{
    BottomAuto_ = false;
    Chart1->xAxis->setRange(lower, upper);
}

void TObservationFrame::VisibleRange(int32_t& from, int32_t& to) const
{
    from = to = 0;
    const auto data = Series_[0]->data();
    if (data->isEmpty())
        return;
    const QCPRange axis = Chart1->xAxis->range();
    const double first = std::max(data->constBegin()->key, axis.lower);
    const double last = std::min((data->constEnd() - 1)->key, axis.upper);
    // Indices beyond the points (after "Удалить" keys and indices part)
    // name no point.
    auto index = [&](double x) {
        return static_cast<int32_t>(std::clamp(std::trunc(x), 0.0, static_cast<double>(data->size())));
    };
    from = index(first);
    to = std::max(from, index(last));
}

void TObservationFrame::FitSeries(int index)
{
    int32_t from = 0;
    int32_t to = 0;
    VisibleRange(from, to);
    const auto data = Series_[static_cast<size_t>(index)]->data();
    to = std::min<int32_t>(to, data->size());
    if (from >= to)
        return;
    double low = (data->constBegin() + from)->value;
    double high = low;
    for (auto it = data->constBegin() + from; it != data->constBegin() + to; ++it) {
        low = std::min(low, it->value);
        high = std::max(high, it->value);
    }
    const double half = (high - low) / 2;
    SetLeftManual(low - half, high + half);
}

void TObservationFrame::ClearClick()
{
    if (AskClear()) {
        for (QCPGraph* series : Series_)
            series->data()->clear();
        HasValues.fill(false);
        BottomAuto_ = LeftAuto_ = true;
        Position = 0;
    }
    LastCounter = 0;
    Scrolling->setChecked(false);
    if (PageHost) {
        std::vector<ObservationStruct> discarded;
        PageHost->Device().TakeObservations(discarded);
    }
    UpdateChart();
}

void TObservationFrame::DeleteClick()
{
    int32_t from = 0;
    int32_t to = 0;
    VisibleRange(from, to);
    for (QCPGraph* series : Series_) {
        const auto data = series->data();
        const int32_t end = std::min<int32_t>(to, data->size());
        if (from >= end)
            continue;
        QVector<QCPGraphData> points(data->constBegin(), data->constEnd());
        points.erase(points.begin() + from, points.begin() + end);
        data->set(points, true);
    }
    RecomputeRanges();
    UpdateChart();
}

void TObservationFrame::AutoClick()
{
    for (int tries = 0; tries < kChanels; ++tries) {
        const int next = (Tracked + 1) % kChanels;
        Tracked = next;
        if (Series_[static_cast<size_t>(next)]->visible()) {
            FitSeries(next);
            break;
        }
    }
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TObservationFrame::ZoomOutClick()
{
    LeftAuto_ = false;
    Chart1->yAxis->scaleRange(1.3);
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TObservationFrame::ZoomInClick()
{
    LeftAuto_ = false;
    Chart1->yAxis->scaleRange(0.7692307692307692);
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TObservationFrame::ProlongClick()
{
    const QCPRange range = Chart1->xAxis->range();
    SetBottomManual(range.lower, range.upper + range.size());
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TObservationFrame::AllDataClick()
{
    BottomAuto_ = LeftAuto_ = true;
    UpdateChart();
}

void TObservationFrame::PrintClick()
{
    PreviewChart(Chart1, this);
}

bool TObservationFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Chart1) {
        if (event->type() == QEvent::Enter)
            Chart1->setFocus(Qt::MouseFocusReason);
        else if (event->type() == QEvent::Wheel && ChartWheel(static_cast<QWheelEvent*>(event)))
            return true;
    }
    return TDevicePageFrame::eventFilter(watched, event);
}

bool TObservationFrame::ChartWheel(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    // Some systems turn the wheel sideways while Shift is held.
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const double factor = delta >= 0 ? 0.8333333333333334 : 1.2;
    const double step = delta >= 0 ? 0.1 : -0.1;
    const Qt::KeyboardModifiers keys = event->modifiers();
    const bool shift = keys & Qt::ShiftModifier;
    const bool ctrl = keys & Qt::ControlModifier;
    const QCPRange x = Chart1->xAxis->range();
    const QCPRange y = Chart1->yAxis->range();
    if (shift && ctrl) {
        const double centre = x.center();
        const double half = x.size() * factor / 2;
        SetBottomManual(centre - half, centre + half);
    } else if (shift) {
        SetBottomManual(x.lower - step * x.size(), x.upper - step * x.size());
    } else if (ctrl) {
        const double value = Chart1->yAxis->pixelToCoord(event->position().y());
        const double p = (value - y.lower) / y.size();
        const double span = y.size() * factor;
        SetLeftManual(value - p * span, value + (1 - p) * span);
    } else {
        SetLeftManual(y.lower + step * y.size(), y.upper + step * y.size());
    }
    event->accept();
    Chart1->replot(QCustomPlot::rpQueuedReplot);
    return true;
}

std::string TObservationFrame::Analysis() const
{
    int32_t from = 0;
    int32_t to = 0;
    VisibleRange(from, to);
    std::string text = Format("Диапазон: %d - %d\r\n", from, to);
    const int32_t n = to - from;
    if (n == 0)
        return text;
    double sum[kChanels] = {};
    double noise[kChanels] = {};
    for (size_t k = 0; k < kChanels; ++k) {
        const auto data = Series_[k]->data();
        const int32_t size = data->size();
        for (int32_t i = from; i < to && i < size; ++i) {
            const double y = (data->constBegin() + i)->value;
            sum[k] += y;
            // The last point of a series has no next one to differ from.
            if (i + 1 < size)
                noise[k] += std::fabs(y - (data->constBegin() + i + 1)->value);
        }
    }
    auto title = [this](size_t k) { return Series_[k]->name().toStdString(); };
    auto shown = [this](size_t k) { return Series_[k]->visible(); };
    int entries = 0;
    for (size_t k = 0; k < kChanels; ++k) {
        if (!shown(k))
            continue;
        const double ratio = sum[k] == 0 ? 0 : std::fabs(noise[k] * 100 / sum[k]);
        text += Format("[%s] Средний : %g | Шум : %g : Шум/Сигнал : %g %%", title(k).c_str(), sum[k] / n,
                       noise[k] / n, ratio);
        text += ++entries % 2 == 1 ? "     " : "\r\n";
    }
    if (shown(3) && shown(4) && sum[3] != 0 && sum[4] != 0)
        text += Format("[%s - %s] : %g | [%s / %s] : %g\r\n", title(3).c_str(), title(4).c_str(),
                       (sum[3] - sum[4]) / n, title(3).c_str(), title(4).c_str(), sum[3] / sum[4]);
    if (shown(5) && shown(6) && sum[5] != 0 && sum[6] != 0)
        text += Format("[%s - %s] : %g | [%s / %s] : %g", title(5).c_str(), title(6).c_str(),
                       (sum[5] - sum[6]) / n, title(5).c_str(), title(6).c_str(), sum[5] / sum[6]);
    return text;
}

void TObservationFrame::AnalyzeClick()
{
    if (PageHost)
        PageHost->LogMessage(Analysis());
}

std::string TObservationFrame::ProposedFileName() const
{
    std::string device;
    if (PageHost) {
        ZT_Helper& model = PageHost->Device();
        TDeviceHelperLocker lock(model);
        device = Format("ZT-А_%08d", static_cast<int>(model.Get(ZT_Fields::SerialNumber)));
    }
    return "Показания_" + device +
           QDateTime::currentDateTime().toString("_yyyy_MM_dd_hh_mm").toStdString() + ".csv";
}

void TObservationFrame::SaveClick()
{
    QString name = QFileDialog::getSaveFileName(this, {}, Utf(ProposedFileName()),
                                                QString::fromUtf8("CSV файл (*.csv)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += ".csv";
    SaveReadings(name.toStdString());
}

bool TObservationFrame::SaveReadings(const std::string& path)
{
    std::array<std::string, kChanels> names;
    for (size_t i = 0; i < kChanels; ++i)
        names[i] = CheckBox[i]->text().toStdString();
    std::string text = ZT_Readings::HeaderLine(names) + "\n";
    const int32_t count = Series_[0]->data()->size();
    for (int32_t i = 0; i < count; ++i) {
        std::array<double, kChanels> values;
        for (size_t k = 0; k < kChanels; ++k)
            values[k] = ValueAt(Series_[k], i);
        text += ZT_Readings::ValueLine(i, values) + "\n";
    }
    try {
        WriteFileAtomically(path, text);
    } catch (const Exception&) {
        if (PageHost)
            PageHost->LogMessage("Ошибка сохранения файла");
        return false;
    }
    if (PageHost)
        PageHost->LogMessage("Файл показаний " + path + " сохранен");
    return true;
}

void TObservationFrame::LoadClick()
{
    const QString name =
        QFileDialog::getOpenFileName(this, {}, {}, QString::fromUtf8("CSV файл (*.csv);;Все файлы (*)"));
    if (!name.isEmpty())
        LoadReadings(name.toStdString());
}

bool TObservationFrame::LoadReadings(const std::string& path)
{
    ClearClick();
    std::vector<std::string> lines;
    try {
        lines = ZT_Readings::SplitLines(ReadWholeFile(path));
    } catch (const Exception& e) {
        if (PageHost)
            PageHost->LogMessage(e.what());
        return false;
    }
    if (!lines.empty()) {
        const auto names = ZT_Readings::ParseHeader(lines[0]);
        for (size_t i = 0; i < kChanels; ++i) {
            QSignalBlocker block(CheckBox[i]);
            CheckBox[i]->setText(Utf(names[i]));
            CheckBox[i]->setChecked(!names[i].empty());
            Series_[i]->setName(Utf(names[i]));
        }
    }
    for (size_t l = 1; l < lines.size(); ++l) {
        const auto values = ZT_Readings::ParseValues(lines[l]);
        for (size_t i = 0; i < kChanels; ++i)
            AddPoint(i, Position, values[i]);
        Position += 1;
    }
    ApplyVisibility();
    if (PageHost)
        PageHost->LogMessage("Файл показаний " + path + " загружен");
    return true;
}
