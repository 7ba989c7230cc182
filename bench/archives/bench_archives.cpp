// The archive page under load. First the fill of an hourly table of 50 000
// records as the page makes it: each record decoded into its row, the rows
// set into the grid, and one screen painted at the end of the table (a
// scroll to the last row). Then the resident memory of a workspace whose
// pages have read all four archives and both journals of full rings from the
// simulated meter over TCP.

#include "archives/archiveframe.h"
#include "archives/journalframe.h"
#include "archives/notstaffarchiveframe.h"
#include "controls/goodtable.h"
#include "tests/support/workspacefixture.h"

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

using namespace ZT_namespace;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 50000;

double Ms(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// Hourly records one hour apart with lived-in values and a few flags.
std::vector<ArchiveStruct> HourlyRecords()
{
    std::vector<ArchiveStruct> records(kRows);
    const TDateTime start = EncodeDate(2019, 1, 1);
    for (int i = 0; i < kRows; ++i) {
        int year, month, day, hour, minute, second, msec;
        DecodeDate(start + i / 24.0 + 1e-7, year, month, day);
        DecodeTime(start + i / 24.0 + 1e-7, hour, minute, second, msec);
        uint8_t* r = records[size_t(i)].Bytes.data();
        const uint8_t stamp[6] = {uint8_t(year - 2000), uint8_t(month), uint8_t(day), uint8_t(hour), 0, 0};
        std::memcpy(r, stamp, 6);
        const float values[5] = {float(i * 1.25), float(i * 0.01), 12.5f + float(i % 7), 3.0f, 20.0f};
        std::memcpy(r + 6, values, sizeof values);
        const uint32_t durations[6] = {3000, 100, 400, 0, uint32_t(i % 3), 100};
        std::memcpy(r + 32, durations, sizeof durations);
        r[56] = uint8_t(i % 5 == 0);
    }
    return records;
}

void FillBench(int runs, const char* screenshot)
{
    const std::vector<ArchiveStruct> records = HourlyRecords();
    TPageHost* host = PageHost;
    PageHost = nullptr; // the page alone, no workspace
    TArchiveParam page;
    page.resize(1280, 900);
    page.show();
    auto* table = page.findChild<TGoodTable*>("HourArchive");
    std::vector<double> decode, fill, paint;
    for (int run = 0; run < runs; ++run) {
        // The decode alone, then the page's fill (decode and grid together).
        const Clock::time_point t0 = Clock::now();
        size_t cells = 0;
        for (const ArchiveStruct& record : records)
            cells += ArchiveRow(record, kHourlyArchive).Cells.size();
        decode.push_back(Ms(t0));
        const Clock::time_point t1 = Clock::now();
        page.ShowRecords(kHourlyArchive, records);
        fill.push_back(Ms(t1));
        const Clock::time_point t2 = Clock::now();
        table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
        QImage image(table->size(), QImage::Format_ARGB32);
        table->render(&image);
        paint.push_back(Ms(t2));
        if (cells != records.size() * 16 || table->RowCount() != kRows)
            std::printf("unexpected table\n");
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("page fill of %d hourly rows (median of %d): %.1f ms, of which decoding %.1f ms; "
                "scroll to the end and paint one screen %.1f ms\n",
                kRows, runs, median(fill), median(decode), median(paint));
    if (screenshot) {
        table->verticalScrollBar()->setValue(0);
        page.grab().save(QString::fromLocal8Bit(screenshot));
    }
    malloc_trim(0);
    std::printf("resident with the filled 50 000-row table: %.1f MiB\n", ResidentKiB() / 1024.0);
    PageHost = host;
}

void MemoryBench()
{
    zt_sim::MeterConfig config = TWorkspaceFixture::QuietMeter();
    for (auto& ring : config.rings) // every ring full
        ring.count = uint16_t(ring.capacity - 1);
    const long before = ResidentKiB();
    TWorkspaceFixture f(true, config);
    const long empty = ResidentKiB();
    const Clock::time_point start = Clock::now();
    auto* archive = f.workspace->PageOf<TArchiveParam>(pgArchive);
    for (const char* box : {"IntervalCheckBox", "HourCheckBox", "DayCheckBox", "MonthCheckBox"})
        archive->findChild<QCheckBox*>(box)->setChecked(true);
    archive->findChild<QPushButton*>("GetArchive")->click();
    f.WaitIdle(600000);
    f.workspace->PageOf<TNotStaffArchive>(pgNotStaff)->findChild<QPushButton*>("GetArchive")->click();
    f.WaitIdle(600000);
    f.workspace->PageOf<TJournalArchive>(pgJournal)->findChild<QPushButton*>("GetArchive")->click();
    f.WaitIdle(600000);
    size_t records = 0;
    for (int kind : {0, 1, 2, 5})
        records += archive->Records(kind).size();
    {
        TDeviceHelperLocker locker(f.workspace->Device());
        records += f.workspace->Device().JournalVector(kAlarmJournal).size() +
                   f.workspace->Device().JournalVector(kOperatorJournal).size();
    }
    malloc_trim(0);
    std::printf("full rings (capacities");
    for (const auto& ring : config.rings)
        std::printf(" %u", unsigned(ring.capacity));
    std::printf("): %zu records of four archives and two journals read in %.1f s over loopback TCP "
                "without wire pacing;\nresident: %.1f MiB before the workspace, %.1f MiB with it, %.1f MiB after "
                "the readings\n",
                records, Ms(start) / 1000, before / 1024.0, empty / 1024.0, ResidentKiB() / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    // --reps N: runs of the fill; --screenshot FILE: the filled page as PNG.
    int runs = 5;
    const char* screenshot = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--reps") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--screenshot") == 0)
            screenshot = argv[i + 1];
    }
    TestApp();
    MemoryBench();
    FillBench(runs, screenshot);
    return 0;
}
