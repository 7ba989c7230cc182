// zt-cli end to end: the real binary against the simulated meter over
// loopback TCP and a pseudo-terminal, and its offline commands on files
// written here.

#include "calibration/straitfile.h"
#include "tests/support/clirunner.h"
#include "device/zt_decode.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

using namespace ZT_namespace;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Rows of the semicolon CSV the command writes (quoted fields allowed).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ';') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    return rows;
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/zt-cli-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

enum class Line { Tcp, Pty };

class CliE2E : public ::testing::TestWithParam<Line> {
protected:
    void SetUp() override
    {
        if (GetParam() == Line::Tcp) {
            sim.StartTcp(0);
            line = {"--tcp", "127.0.0.1:" + std::to_string(sim.Port()), "--tcp-timeout", "100"};
        } else {
            sim.StartPty();
            line = {"--serial", sim.PtyPath(), "--baud", "115200"};
        }
    }
    CliResult Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), line.begin(), line.end());
        return RunCli(args);
    }

    zt_sim::MeterSimulator sim;
    std::vector<std::string> line;
    TempDir dir;
};

TEST_P(CliE2E, Identify_PrintsModelModificationVersionAndSerial)
{
    sim.Device().SetHoldingU32(40027, 987654);
    const CliResult r = Run({"identify"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Model: ZT-A\nModification: 1.0\nVersion: 1.12\nSerialNumber: 987654\n");
}

TEST_P(CliE2E, WriteThenRead_RoundTripsHexWords)
{
    const CliResult w = Run({"write", "40043", "0001", "0x20", "00ff"});
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(sim.Device().Holding(40043), 0x0001);
    EXPECT_EQ(sim.Device().Holding(40044), 0x0020);
    EXPECT_EQ(sim.Device().Holding(40045), 0x00FF);

    sim.Device().SetHolding(40046, 0xBEEF);
    const CliResult r = Run({"read", "40043", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "40043 0001\n40044 0020\n40045 00FF\n40046 BEEF\n");
}

TEST_P(CliE2E, Dump_ShowsNamedFieldsOfAKnownState)
{
    sim.Device().SetHoldingU32(40027, 4242);     // SerialNumber
    sim.Device().SetHolding(40030, 2);           // Type
    sim.Device().SetHolding(40035, 0);           // ClassDevice
    sim.Device().SetHolding(40121, 0x0005);      // SystemFlags: bits 0 and 2
    sim.Device().SetHoldingFloat(40235, 123.5f); // Qmax
    sim.Device().SetHolding(40323, 7);           // UartSpeed_0

    const CliResult text = Run({"dump"});
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* expected :
         {"[IdentificationBlock] 40027..40035\nSerialNumber = 4242\n", "\nType = Резьбовой\n",
          "\nClassDevice = А\n",
          "\nSystemFlags = 0x0005 Отключить индуктор A; Включить калибровку АЦП индуктора\n",
          "\nQmax = 123.5\n", "\nUartSpeed_0 = 115200\n", "Model = ZT-A\n"})
        EXPECT_NE(text.out.find(expected), std::string::npos) << expected;

    const CliResult json = Run({"dump", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json doc = nlohmann::json::parse(json.out);
    nlohmann::json fields;
    for (const auto& block : doc["blocks"])
        if (block["name"] == "IdentificationBlock")
            fields = block["fields"];
    EXPECT_EQ(fields["SerialNumber"], 4242);
    EXPECT_EQ(fields["Type"]["value"], 2);
    EXPECT_EQ(fields["Type"]["text"], "Резьбовой");
    EXPECT_EQ(doc["identity"]["model"], "ZT-A");
}

// The records between the simulated ring's pointers, oldest first.
std::vector<std::vector<uint8_t>> RingRecords(zt_sim::MeterSimulator& sim, int kind)
{
    const zt_sim::ArchiveRing ring = sim.Device().Ring(kind);
    std::vector<std::vector<uint8_t>> out;
    for (uint16_t i = ring.Tail(); i != ring.Head(); i = uint16_t((i + 1) % ring.Capacity()))
        out.emplace_back(ring.Slot(i), ring.Slot(i) + ring.RecordBytes());
    return out;
}

TEST_P(CliE2E, ArchiveExport_RowsMatchTheDecodersAndTheRawDumpDecodesAlike)
{
    const std::string csv = dir / "daily.csv", raw = dir / "daily.raw", again = dir / "again.csv";
    const CliResult r = Run({"archive", "daily", "--csv", csv, "--raw", raw});
    ASSERT_EQ(r.status, 0) << r.err;

    const auto records = RingRecords(sim, kDailyArchive);
    ASSERT_GT(records.size(), 100u);
    const auto rows = ParseCsv(ReadFile(csv));
    ASSERT_EQ(rows.size(), records.size() + 1);
    EXPECT_EQ(rows[0][0], "Дата/Время");
    EXPECT_EQ(rows[0][15], "Системные НС");
    for (size_t i = 0; i < records.size(); ++i) {
        ArchiveStruct record;
        std::memcpy(record.Bytes.data(), records[i].data(), record.Bytes.size());
        bool valid = false;
        const ArchiveDecodeStruct d = DecodeArchiveRecord(record, kDailyArchive, valid);
        const auto& row = rows[i + 1];
        ASSERT_EQ(row.size(), 16u);
        EXPECT_EQ(row[0], d.DateText);
        if (!valid)
            continue;
        EXPECT_EQ(row[1], d.ValueTexts[0]);
        EXPECT_EQ(row[5], d.ValueTexts[4]);
        EXPECT_EQ(row[6], d.DurationTexts[0]);
        EXPECT_EQ(row[11], d.DurationTexts[6]);
        EXPECT_EQ(row[12], d.DurationTexts[5]);
        EXPECT_EQ(row[13], d.FlagTexts[0]);
        EXPECT_EQ(row[15], d.FlagTexts[2]);
    }
    EXPECT_EQ(ReadFile(raw).size(), records.size() * kArchiveRecordSize);

    const CliResult decoded = RunCli({"decode", "daily", raw, "--csv", again});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    EXPECT_EQ(ReadFile(again), ReadFile(csv));
}

TEST_P(CliE2E, ArchivePeriodToWorkbook_HoldsTheRowsOfThoseDays)
{
    const auto records = RingRecords(sim, kDailyArchive);
    ASSERT_GT(records.size(), 10u);
    const std::vector<uint8_t>& first = records[records.size() / 2];
    const std::vector<uint8_t>& last = records[records.size() / 2 + 2];
    auto date = [](const std::vector<uint8_t>& r) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", 2000 + r[0], r[1], r[2]);
        return std::string(text);
    };
    size_t within = 0;
    for (const auto& r : records) {
        const std::string d = date(r);
        within += r[1] >= 1 && r[1] <= 12 && d >= date(first) && d <= date(last);
    }
    const std::string book = dir / "days.xlsx";
    const CliResult r = Run({"archive", "daily", "--from", date(first), "--to", date(last), "--xlsx", book});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(book).substr(0, 2), "PK");
    FILE* pipe = ::popen(("unzip -p '" + book + "' xl/worksheets/sheet1.xml").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string sheet;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        sheet.append(buffer, n);
    ::pclose(pipe);
    size_t rows = 0;
    for (size_t at = sheet.find("<row "); at != std::string::npos; at = sheet.find("<row ", at + 1))
        ++rows;
    EXPECT_EQ(rows, within + 1); // the caption row and the days' records
}

TEST_P(CliE2E, OperatorJournal_RowsMatchTheDecoder)
{
    const CliResult r = Run({"archive", "operator"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto records = RingRecords(sim, kOperatorJournal);
    std::istringstream lines(r.out);
    std::string header, row;
    std::getline(lines, header);
    EXPECT_EQ(header, "Дата/Время\tПараметр\tСтарое значение\tНовое значение");
    size_t n = 0;
    for (; std::getline(lines, row); ++n) {
        ASSERT_LT(n, records.size());
        JournalStruct record;
        std::memcpy(record.Bytes.data(), records[n].data(), record.Bytes.size());
        bool valid = false;
        const JournalDecodeStruct d = DecodeOperatorRecord(record, valid);
        EXPECT_EQ(row, d.DateText + "\t" + d.Name + "\t" + d.OldValue + "\t" + d.NewValue);
    }
    EXPECT_EQ(n, records.size());
}

TEST_P(CliE2E, SilentMeter_ExitsOneWithTheMessageOnStderr)
{
    zt_sim::SimBehaviour silent;
    silent.noReply = true;
    sim.SetBehaviour(silent);
    const CliResult r = Run({"read", "40001", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find("zt-cli:"), std::string::npos) << "not a usage message: " << r.err;
}

TEST_P(CliE2E, Log_WritesTheExchangeFramesOnStderr)
{
    const CliResult r = Run({"--log", "read", "40001", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("<< 01 03 00 00 00 01 84 0A"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(">> 01 03 02 "), std::string::npos) << r.err;
}

TEST_P(CliE2E, WatchOnce_PrintsTheStatusWordsWithTheirBitNames)
{
    sim.Device().SetOccasionalFlags(false);
    sim.Device().SetForcedFlags(0x0008, 0, 0x0001);
    const CliResult r = Run({"watch", "--count", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" HardwareNotStaff=0x0008 Отказ АЦП "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" SystemNotStaff=0x0001 Пустая труба\n"), std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

TEST_P(CliE2E, NegativeReverseVolume_DumpAndWatchReadTheIntegerPartSigned)
{
    // The meter keeps -0.75 m3 as the integer part -1 and the fraction 0.25.
    sim.Device().SetVolumes(41234.5, -0.75);
    const CliResult text = Run({"dump"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("\nVolumeR.Integer = -1\nVolumeR.Fraction = 0.25\n"), std::string::npos) << text.out;

    const CliResult json = Run({"dump", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    // The parsed document must outlive the loop over one of its members.
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    for (const auto& block : parsed["blocks"])
        if (block["name"] == "CurrentParamsBlock") {
            EXPECT_EQ(block["fields"]["VolumeR.Integer"], -1);
            EXPECT_EQ(block["fields"]["VolumeR.Fraction"], 0.25);
        }

    const CliResult watch = Run({"watch", "--count", "1"});
    ASSERT_EQ(watch.status, 0) << watch.err;
    EXPECT_NE(watch.out.find(" V-=-0.750000 "), std::string::npos) << watch.out;
}

INSTANTIATE_TEST_SUITE_P(Lines, CliE2E, ::testing::Values(Line::Tcp, Line::Pty),
                         [](const auto& info) { return info.param == Line::Tcp ? "Tcp" : "Pty"; });

TEST_P(CliE2E, Observe_SetsTheSourcesAndRecordsInTheReadingsFormat)
{
    const std::string path = (dir / "readings.csv").string();
    const CliResult r =
        Run({"observe", "--sources", "1,Код,0", "--interval", "30", "--count", "12", "--csv", path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "12 samples written to " + path + "\n");
    const uint16_t expected[7] = {1, 5, 0, 0, 0, 0, 0};
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(sim.Device().Holding(40043 + n), expected[n]) << n;

    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], ";Расход;Код;;;;;");
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(std::to_string(i - 1) + ";", 0), 0u) << lines[i];
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ';'), 7) << lines[i];
    }
}

TEST(CliUsage, BadCommandLines_ExitTwoWithoutTouchingTheLine)
{
    const std::vector<std::vector<std::string>> cases{
        {},
        {"frob"},
        {"read", "40001", "1"},                              // no line
        {"--tcp", "127.0.0.1:1", "read", "40001", "0"},      // count
        {"--tcp", "127.0.0.1:1", "read", "29999", "1"},      // register
        {"--tcp", "127.0.0.1:1", "read", "39998", "5"},      // input into holding
        {"--tcp", "127.0.0.1:1", "write", "40001", "12345"}, // word
        {"--tcp", "127.0.0.1:1", "write", "30001", "1"},     // input register
        {"--tcp", "127.0.0.1:1", "archive", "weekly"},       // kind
        {"--tcp", "127.0.0.1:1", "archive", "daily", "--from", "2024-13-01"},
        {"--tcp", "127.0.0.1:1", "dump", "--csv", "x"}, // another command's option
        {"--tcp", "127.0.0.1:1", "--serial", "/dev/null", "identify"},
        {"--tcp", "127.0.0.1:99999", "identify"},
        {"--addr", "300", "--tcp", "127.0.0.1:1", "identify"},
        {"--tcp"},
        {"decode", "hourly"},
        {"packet"},
        {"--tcp", "127.0.0.1:1", "observe"}, // no file
        {"--tcp", "127.0.0.1:1", "observe", "--csv", "x", "--count", "5", "--seconds", "5"},
        {"--tcp", "127.0.0.1:1", "observe", "--csv", "x", "--sources", "1,2,3,4,5,6,7,1"},
        {"--tcp", "127.0.0.1:1", "observe", "--csv", "x", "--sources", "33"},
        {"--tcp", "127.0.0.1:1", "observe", "--csv", "x", "--sources", "Расход,Поток"},
        {"--tcp", "127.0.0.1:1", "observe", "--csv", "x", "--interval", "20"},
    };
    for (const auto& args : cases) {
        const CliResult r = RunCli(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined << r.err;
        EXPECT_TRUE(r.out.empty()) << joined;
        EXPECT_NE(r.err.find("zt-cli: "), std::string::npos) << joined;
    }
}

TEST(CliUsage, HelpOfEveryCommand_ExitsZero)
{
    for (const char* command :
         {"identify", "read", "write", "dump", "archive", "decode", "watch", "packet", "observe"}) {
        const CliResult r = RunCli({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("Usage: zt-cli"), 0), 0u) << command;
    }
    const CliResult general = RunCli({"--help"});
    EXPECT_EQ(general.status, 0);
    EXPECT_NE(general.out.find("Exit status"), std::string::npos);
}

TEST(CliOffline, UnreachableGatewayAndMissingFiles_ExitOne)
{
    TempDir dir;
    std::ofstream(dir / "odd.raw", std::ios::binary) << std::string(65, '\0');
    std::ofstream(dir / "note.xml") << "<note/>";
    const std::vector<std::vector<std::string>> cases{
        {"--tcp", "127.0.0.1:1", "identify"},  {"decode", "hourly", dir / "missing.raw"},
        {"decode", "hourly", dir / "odd.raw"}, {"packet", dir / "missing.xml"},
        {"packet", dir / "note.xml"},
    };
    for (const auto& args : cases) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << args.back() << r.err;
        EXPECT_FALSE(r.err.empty()) << args.back();
    }
}

TEST(CliOffline, Packet_DistributesSectionsBuildsTheSegmentAndSavesAStraitFile)
{
    TempDir dir;
    const std::string sample = dir / "rig.xml", out = dir / "packet.strait";
    // Three flow sections; the code is 100 per m3/h with a small offset.
    std::ofstream(sample) << "<FlowPacketData><FlowMeasurePacket>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"10.1\"/><prim EF=\"1012\"/></FlowMeasure>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"1\"/><prim EF=\"102\"/></FlowMeasure>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"5\"/><prim EF=\"502\"/></FlowMeasure>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"1.02\"/><prim EF=\"104\"/></FlowMeasure>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"10\"/><prim EF=\"1002\"/></FlowMeasure>"
                             "<FlowMeasure><ref t=\"20\" Gv=\"5.05\"/><prim EF=\"507\"/></FlowMeasure>"
                             "</FlowMeasurePacket></FlowPacketData>";
    const CliResult r = RunCli({"packet", sample, "--approximate", "--out", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("6 points\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Segments: 1\n"), std::string::npos) << r.out;

    StraitNamespace::StraitPacket packet;
    StraitNamespace::WorkbenchSettings settings;
    StraitNamespace::LoadPacketFile(out, packet, false, settings);
    ASSERT_EQ(packet.PointCount(), 6u);
    ASSERT_EQ(packet.GetLines().size(), 1u);
    const int sections[] = {1, 1, 2, 2, 3, 3};
    for (size_t i = 0; i < 6; ++i) {
        const StraitNamespace::StraitPoint& p = packet.Point(i);
        EXPECT_EQ(p.numSection, sections[i]) << i;
        EXPECT_LT(std::abs(p.dGizm), 1.0) << i; // the fit is close everywhere
    }
    EXPECT_NEAR(packet.GetLines()[0].A, 0.01, 0.001);
}

// Two archive records of zeros: something to decode offline.
std::string TwoRecords(const TempDir& dir)
{
    const std::string path = dir / "two.raw";
    std::ofstream(path, std::ios::binary) << std::string(2 * kArchiveRecordSize, '\0');
    return path;
}

TEST(CliFailures, ArchiveOfAnUnknownVersion_ExitsOneAndLeavesOldExportsAlone)
{
    zt_sim::MeterConfig config;
    config.identity.bytes = {1, 0, 9, 99};
    zt_sim::MeterSimulator sim(config);
    sim.StartTcp(0);
    TempDir dir;
    const std::string csv = dir / "daily.csv", raw = dir / "daily.raw";
    std::ofstream(csv) << "old csv";
    std::ofstream(raw) << "old raw";
    const CliResult r = RunCli(
        {"--tcp", "127.0.0.1:" + std::to_string(sim.Port()), "archive", "daily", "--csv", csv, "--raw", raw});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Неизвестная версия прибора"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(csv), "old csv");
    EXPECT_EQ(ReadFile(raw), "old raw");
}

TEST(CliFailures, InterruptDuringALongWait_EndsAtOnce)
{
    zt_sim::MeterSimulator sim;
    sim.StartTcp(0);
    zt_sim::SimBehaviour silent;
    silent.noReply = true;
    sim.SetBehaviour(silent);
    for (int signal : {SIGINT, SIGTERM}) {
        const auto start = std::chrono::steady_clock::now();
        const CliResult r =
            RunCli({"--tcp", "127.0.0.1:" + std::to_string(sim.Port()), "--tcp-timeout", "20000", "identify"},
                   15000, 300, signal);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_EQ(r.status, 1) << signal;
        EXPECT_NE(r.err.find("Выполнение процесса прервано"), std::string::npos) << r.err;
        EXPECT_LT(ms.count(), 2000) << signal;
    }
}

TEST(CliOutputs, SpecialFilesAreWrittenIntoAndOthersRefused)
{
    TempDir dir;
    const std::string raw = TwoRecords(dir);
    const CliResult plain = RunCli({"decode", "daily", raw, "--csv", dir / "plain.csv"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string csv = ReadFile(dir / "plain.csv");
    ASSERT_EQ(csv.rfind("Дата/Время;", 0), 0u) << csv;

    // /dev/fd/1 rather than /dev/stdout: a writer that replaced special
    // files would replace the system's /dev/stdout link when run as root.
    for (const std::string target : {"-", "/dev/fd/1"}) {
        const CliResult r = RunCli({"decode", "daily", raw, "--csv", target});
        EXPECT_EQ(r.status, 0) << target << r.err;
        EXPECT_EQ(r.out, csv) << target;
    }

    // A FIFO, named directly and through a link, is written into and stays a FIFO.
    const std::string fifo = dir / "fifo", link = dir / "fifo-link";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, link);
    for (const std::string& target : {fifo, link}) {
        std::string received;
        std::thread reader([&] { received = ReadFile(fifo); });
        const CliResult r = RunCli({"decode", "daily", raw, "--csv", target}, 10000);
        reader.join();
        EXPECT_EQ(r.status, 0) << target << r.err;
        EXPECT_EQ(received, csv) << target;
        EXPECT_TRUE(fs::is_fifo(fifo)) << target;
        EXPECT_TRUE(fs::is_symlink(link)) << target;
    }

    // A link to a regular file replaces the file and keeps the link.
    const std::string file = dir / "file.csv", fileLink = dir / "file-link.csv";
    std::ofstream(file) << "old";
    fs::create_symlink(file, fileLink);
    ASSERT_EQ(RunCli({"decode", "daily", raw, "--csv", fileLink}).status, 0);
    EXPECT_TRUE(fs::is_symlink(fileLink));
    EXPECT_EQ(ReadFile(file), csv);

    // A folder is refused and left alone.
    fs::create_directory(dir / "folder");
    const CliResult folder = RunCli({"decode", "daily", raw, "--csv", dir / "folder"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("папка"), std::string::npos) << folder.err;
    EXPECT_TRUE(fs::is_directory(dir / "folder"));

    // A FIFO nobody reads holds the write until an interrupt ends it.
    const auto start = std::chrono::steady_clock::now();
    const CliResult stuck = RunCli({"decode", "daily", raw, "--csv", fifo}, 10000, 300, SIGTERM);
    EXPECT_EQ(stuck.status, 1) << stuck.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(CliInputs, OnlyRegularFilesOfAFittingSizeAreRead)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const std::string big = dir / "big.raw";
    // A sparse file a whole record larger than a full ring of records.
    std::ofstream(big).close();
    fs::resize_file(big, 65536ull * kArchiveRecordSize + kArchiveRecordSize);
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{"decode", "daily", dir / "folder"}, "папка"}, {{"decode", "daily", "/dev/zero"}, "устройство"},
        {{"decode", "daily", dir / "fifo"}, "FIFO"},    {{"decode", "daily", big}, "больше"},
        {{"packet", dir / "folder"}, "папка"},
    };
    // "-" is standard input: read whole, or stopped by an interrupt while it waits.
    const std::string raw = TwoRecords(dir);
    const CliResult piped = RunCli({"decode", "daily", "-"}, 10000, -1, SIGINT, raw);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, RunCli({"decode", "daily", raw}).out);
    const int writer = ::open((dir / "fifo").c_str(), O_RDWR); // holds the FIFO open, writes nothing
    const auto waiting = std::chrono::steady_clock::now();
    const CliResult interrupted = RunCli({"decode", "daily", "-"}, 10000, 300, SIGTERM, dir / "fifo");
    ::close(writer);
    EXPECT_EQ(interrupted.status, 1);
    EXPECT_NE(interrupted.err.find("Выполнение процесса прервано"), std::string::npos) << interrupted.err;
    EXPECT_LT(std::chrono::steady_clock::now() - waiting, std::chrono::seconds(3));

    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const CliResult r = RunCli(c.Args, 10000);
        EXPECT_EQ(r.status, 1) << c.Args.back() << r.err;
        EXPECT_NE(r.err.find(c.Message), std::string::npos) << r.err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.Args.back();
    }
}

} // namespace
