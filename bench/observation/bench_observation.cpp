// The readings graph with seven series of 100 000 points each: the time to
// add one delivery and redraw the chart (the whole history in view, and a
// scrolled window of the newest 1000 points), then the CPU share of the
// whole process while the observation stream runs every 30 ms against the
// simulated meter over loopback TCP with that full chart on the screen.

#include "observation/graphobservationframe.h"
#include "tests/support/workspacefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QSlider>
#include <QTimer>
#include <qcustomplot.h>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kPoints = 100000;

std::vector<ObservationStruct> Samples(int count, int first)
{
    std::vector<ObservationStruct> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        ObservationStruct& s = samples[static_cast<size_t>(i)];
        s.Stamp = static_cast<uint32_t>(first + i);
        for (int k = 0; k < 7; ++k)
            s.Values[k] = static_cast<float>(100 * k + 10 * std::sin((first + i) * 0.01 * (k + 1)) +
                                             (((first + i) * 7919 + k) % 13) * 0.1);
    }
    return samples;
}

// Every channel on a source and shown, the history filled.
void Fill(TObservationFrame& page)
{
    for (int n = 1; n <= 7; ++n) {
        auto* combo = page.findChild<QComboBox*>(QString("ComboBox%1").arg(n));
        combo->setCurrentIndex(n);
        page.SourceChange(combo);
        page.findChild<QCheckBox*>(QString("CheckBox%1").arg(n))->setChecked(true);
    }
    page.CheckBoxClick(nullptr);
    for (int done = 0; done < kPoints; done += 1000)
        page.AddSamples(Samples(1000, done));
}

// Runs the window thread's event loop (sleeping while idle) for `ms`.
void RunEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void DeliveryAndRedraw(benchmark::State& state, bool scrolled)
{
    TWorkspaceFixture f;
    f.workspace->resize(1280, 800);
    f.workspace->show();
    f.workspace->SelectPage(pgGraphObservation);
    auto* page = f.workspace->PageOf<TObservationFrame>(pgGraphObservation);
    Fill(*page);
    if (scrolled) {
        page->Chart()->xAxis->setRange(kPoints - 1000, kPoints);
        page->ProlongClick(); // manual bottom axis
        page->Chart()->xAxis->setRange(kPoints - 1000, kPoints);
        page->findChild<QCheckBox*>("Scrolling")->setChecked(true);
    }
    int next = kPoints;
    for (auto _ : state) {
        page->AddSamples(Samples(2, next));
        next += 2;
        page->Chart()->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["points"] = page->Series(1)->data()->size();
}

void BM_DeliveryAndRedraw_AllInView(benchmark::State& state)
{
    DeliveryAndRedraw(state, false);
}
BENCHMARK(BM_DeliveryAndRedraw_AllInView)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_DeliveryAndRedraw_Scrolled1000(benchmark::State& state)
{
    DeliveryAndRedraw(state, true);
}
BENCHMARK(BM_DeliveryAndRedraw_Scrolled1000)->Unit(benchmark::kMillisecond)->MinTime(3);

// The stream at its fastest (3 steps, 30 ms) with the full chart shown.
void StreamCpu(int seconds)
{
    TWorkspaceFixture f;
    f.workspace->resize(1280, 800);
    f.workspace->show();
    f.workspace->SelectPage(pgGraphObservation);
    auto* page = f.workspace->PageOf<TObservationFrame>(pgGraphObservation);
    Fill(*page);
    page->findChild<QSlider*>("ObservationRequestInterval")->setValue(3);
    f.workspace->SetObservation(true);
    RunEvents(2000); // start-up left out
    const size_t before = page->Series(1)->data()->size();
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    RunEvents(seconds * 1000);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const size_t samples = page->Series(1)->data()->size() - before;
    f.workspace->SetObservation(false);
    f.WaitIdle();
    std::printf("Stream every 30 ms with 7 x %d points shown: CPU %.1f %% of one core over %.0f s "
                "(%zu samples, %.1f per second; program and simulated meter in one process)\n",
                kPoints, 100 * cpu / wall, wall, samples, samples / wall);
}

} // namespace

int main(int argc, char** argv)
{
    int streamSeconds = 20;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--stream-seconds=", 0) == 0)
            streamSeconds = std::atoi(argv[i] + 17);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (streamSeconds > 0)
        StreamCpu(streamSeconds);
    return 0;
}
