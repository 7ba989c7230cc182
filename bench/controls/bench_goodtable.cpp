// The table grid with an archive of 100 000 rows of 16 columns: filling it,
// painting one screen of it and the memory it holds per byte of text.

#include "controls/goodtable.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

namespace {

constexpr int Rows = 100000;
constexpr int Cols = 16;
const QSize Screen(1280, 1024);

// Cell texts as an archive page makes them: dates, times, readings, flags.
std::vector<QString> MakeTexts()
{
    std::vector<QString> texts;
    texts.reserve(static_cast<size_t>(Rows) * Cols);
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Cols; ++c) {
            switch (c % 4) {
            case 0:
                texts.push_back(QStringLiteral("%1.%2.2024 %3:00")
                                    .arg(r % 28 + 1, 2, 10, QChar('0'))
                                    .arg(r % 12 + 1, 2, 10, QChar('0'))
                                    .arg(r % 24, 2, 10, QChar('0')));
                break;
            case 1:
                texts.push_back(QString::number(r * 0.137 + c, 'f', 3));
                break;
            case 2:
                texts.push_back(QString::number(r * 7919 % 100000));
                break;
            default:
                texts.push_back(r % 5 ? QString() : QStringLiteral("Обрыв цепи"));
            }
        }
    }
    return texts;
}

const std::vector<QString>& Texts()
{
    static const std::vector<QString> texts = MakeTexts();
    return texts;
}

size_t TextBytes()
{
    size_t bytes = 0;
    for (const QString& text : Texts())
        bytes += static_cast<size_t>(text.toUtf8().size());
    return bytes;
}

std::unique_ptr<TGoodTable> MakeTable()
{
    auto table = std::make_unique<TGoodTable>();
    table->resize(Screen);
    table->SetColCount(Cols);
    for (int c = 0; c < Cols; ++c)
        table->SetWidths(c, 78);
    table->show();
    return table;
}

void Fill(TGoodTable& table)
{
    const std::vector<QString>& texts = Texts();
    table.SetRowCount(Rows);
    size_t i = 0;
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Cols; ++c)
            table.SetCells(r, c, texts[i++]);
}

void BM_Fill(benchmark::State& state)
{
    Texts();
    size_t heldBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = MakeTable();
        const size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        Fill(*table);
        state.PauseTiming();
        heldBytes = mallinfo2().uordblks - before;
        table.reset();
        state.ResumeTiming();
    }
    const double text = static_cast<double>(TextBytes());
    state.counters["held_MB"] = static_cast<double>(heldBytes) / 1e6;
    state.counters["text_MB"] = text / 1e6;
    state.counters["held_per_text_byte"] = static_cast<double>(heldBytes) / text;
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond)->Iterations(3);

// One frame of the visible screen, at a different place of the table each time.
void BM_PaintScreen(benchmark::State& state)
{
    auto table = MakeTable();
    Fill(*table);
    table->SetRow(0);
    table->SetCol(0);
    QImage image(Screen, QImage::Format_RGB32);
    int position = 0;
    for (auto _ : state) {
        position = (position + 977) % Rows;
        table->verticalScrollBar()->setValue(position);
        table->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintScreen)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
