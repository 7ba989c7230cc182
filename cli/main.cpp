// zt-cli: scripted service work with one ZT meter (or any Modbus RTU slave
// for the raw register commands) over a serial line, a dial-up modem or a
// TCP serial-to-Ethernet gateway, and offline decoding of archive dumps and
// calibration packets.

#include "calibration/straitfile.h"
#include "cli/cliarchive.h"
#include "cli/cliconfig.h"
#include "cli/clidump.h"
#include "cli/clipacket.h"
#include "cli/clisession.h"
#include "device/zt_algorithm.h"
#include "device/zt_core.h"
#include "device/zt_strings.h"
#include "device/zt_xlsx.h"
#include "observation/readingsfile.h"
#include "pages/configuration.h"
#include "util/fileutil.h"
#include "util/sysutil.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace ZT_namespace;

namespace {

std::atomic<bool> gInterrupt{false};

extern "C" void OnSignal(int)
{
    gInterrupt = true;
}

// A command line that cannot be run as given.
class TUsageError : public Exception {
public:
    using Exception::Exception;
};

const char kGeneralHelp[] = R"(Usage: zt-cli [line options] COMMAND [arguments] [command options]

Commands with the meter:
  identify                      model, modification, version, serial number
  read REG COUNT                read COUNT registers from REG (30001.. input,
                                40001.. holding); words in hex
  write REG WORD...             write holding registers from REG, words in hex
  dump [--json]                 read everything, then every named field
  archive KIND [--from DATE] [--to DATE] [--csv FILE] [--xlsx FILE] [--raw FILE]
                                read an archive or journal
  watch [--count N]             current parameters and status once a second
  config save|diff|write FILE [--identification] [--yes]
                                back the settings up into a configuration file,
                                compare the meter with one, or write one to it
  observe [--sources S,...] [--interval MS] [--count N | --seconds S] --csv FILE
                                record the observation stream into a readings file
Offline commands:
  decode KIND FILE [--csv FILE] [--xlsx FILE]
                                decode a raw record file saved by archive --raw
  packet FILE... [--approximate] [--out FILE]
                                calibration packet: sections, segments, errors

Line options:
  --tcp HOST[:PORT]             TCP gateway (port 4001 when not given)
  --serial DEVICE               serial device (/dev/ttyUSB0, or a name in /dev)
  --baud N                      serial speed (default 19200)
  --modem NUMBER                dial NUMBER through a modem on the serial line
  --addr N                      Modbus address of the meter, 0..247 (default 1)
  --tcp-timeout MS              added to every reply time-out on TCP (default 1000)
  --tcp-pause MS                pause after every TCP exchange (default 0)
  --log                         exchange log lines and messages on stderr

`zt-cli COMMAND --help` describes a command. Exit status: 0 success, 1 an
exchange or a file failed (the message is on stderr), 2 a usage error.
)";

const std::map<std::string, std::string> kCommandHelp{
    {"identify", R"(Usage: zt-cli LINE identify

Identifies the meter (report slave ID) and reads its serial number. Prints
"Model", "Modification", "Version" and "SerialNumber" lines. A meter of an
unknown model or software version fails with the meter's message.
)"},
    {"read", R"(Usage: zt-cli LINE read REG COUNT

Reads COUNT (1..127) registers starting at REG in the five-digit numbering:
30001..65535 are input registers (function 4 from 40000 down), 40001..65535
holding registers (function 3); the range must lie inside one of the two.
No identification is made first, so this works with any Modbus slave.
Prints one line per register: "REG HEXWORD".
)"},
    {"write", R"(Usage: zt-cli LINE write REG WORD...

Writes the words (hex, 0x optional, 1..123 of them) to the holding registers
from REG (40001..65535) with function 16. No identification first. Fails
when the slave does not confirm the write.
)"},
    {"dump", R"(Usage: zt-cli LINE dump [--json]

Runs read-all (every input and holding register in requests of at most 127),
then prints every named field of every parameter block: numbers as numbers,
list fields by their texts, bit fields as the word and the names of the set
bits. --json prints one JSON document instead.
)"},
    {"archive", R"(Usage: zt-cli LINE archive KIND [--from DATE] [--to DATE] [--csv FILE] [--xlsx FILE] [--raw FILE]

KIND: hourly, daily, monthly, interval, ns (alarm journal) or operator.
Reads the records between the ring pointers (from the first record of DATE
on with --from, up to the last record of DATE with --to, which also keeps
only the rows dated within the period; DATE as YYYY-MM-DD or DD.MM.YYYY)
and prints the rows as the archive and journal pages show them,
tab-separated under the pages' column captions. --csv FILE writes them as
CSV (semicolon-separated, UTF-8) instead; --xlsx FILE as an Excel workbook
with dates, numbers and durations as typed cells; --raw FILE keeps the
records exactly as received for `decode`.
A reading that ends without its records fails (exit 1) and leaves the
files as they were. A FILE of "-" is standard output; a FIFO or a device is
written into.
)"},
    {"decode", R"(Usage: zt-cli decode KIND FILE [--csv FILE] [--xlsx FILE]

Decodes a raw record file written by `archive --raw` with the same KIND and
prints the rows like `archive` (or writes CSV with --csv, a workbook with
--xlsx). FILE is a regular
file of at most 65536 records, or "-" for standard input.
)"},
    {"watch", R"(Usage: zt-cli LINE watch [--count N]

Reads the current parameters once a second and prints the flow rate, both
totals and the three status words with the names of their set bits, until
interrupted (Ctrl+C) or, with --count, N times.
)"},
    {"config", R"(Usage: zt-cli LINE config save FILE
       zt-cli LINE config diff FILE
       zt-cli LINE config write FILE [--identification] [--yes]

save   reads the meter (read-all) and writes its identification, calibration,
       output and work settings to the configuration file FILE with the values
       the program's pages show after a read-all. What an existing FILE holds
       besides is kept; a file that is not a configuration file is refused.
diff   reads the meter and prints each field whose value differs from FILE:
       the field, the file's value and the meter's value, tab-separated.
       Exit status 0 when none differ, 1 when some do.
write  writes the calibration, output and work settings of FILE to the meter,
       and its identification with --identification, each section checked as
       its page checks it: a refusal prints its message and nothing is sent.
       Without --yes it prints what it would write and sends nothing.
)"},
    {"packet", R"(Usage: zt-cli packet FILE... [--approximate] [--out FILE]

Loads STRAIT and FlowPacketData files into one packet, sorts the points by
flow and distributes them into sections; with --approximate builds the
piecewise-linear segments from the sections and boundary marks. Prints the
segments and each point's section, marks, reference flow, code, meter flow
and error. --out FILE saves the packet as a STRAIT file.
)"},
    {"observe", R"(Usage: zt-cli LINE observe [--sources S,...] [--interval MS]
                               [--count N | --seconds S] --csv FILE

Records the meter's observation stream (seven channels) into FILE in the
readings graph's format, which its "Загрузить" reads: a header line naming
the channels' quantities (empty for "Отключен"), then one line per sample,
its index and the seven values. Every delivery is written as it arrives, so
an interrupted recording keeps what it had; Ctrl+C ends it normally.

  --sources S,...   set the channels' quantities first: up to seven indices
                    (0..32) or names of the quantity list; missing channels
                    are set to "Отключен"
  --interval MS     the pause between polls, 30..2000 ms in steps of 10
                    (default 200)
  --count N         stop after N samples
  --seconds S       stop after S seconds
)"},
};

int64_t ParseInt(const std::string& text, int64_t low, int64_t high, const std::string& what)
{
    int64_t value = 0;
    if (!TryStrToInt(text, value) || value < low || value > high)
        throw TUsageError(Format("%s must be a number from %lld to %lld: '%s'", what.c_str(),
                                 static_cast<long long>(low), static_cast<long long>(high), text.c_str()));
    return value;
}

uint16_t ParseHexWord(const std::string& text)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw TUsageError("a word must be 1 to 4 hex digits: '" + text + "'");
    return static_cast<uint16_t>(std::stoul(digits, nullptr, 16));
}

TDateTime ParseDate(const std::string& text)
{
    int year = 0, month = 0, day = 0;
    char tail = 0;
    TDateTime value = 0;
    if ((std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) == 3 ||
         std::sscanf(text.c_str(), "%2d.%2d.%4d%c", &day, &month, &year, &tail) == 3) &&
        TryEncodeDate(year, month, day, value))
        return value;
    throw TUsageError("a date must be YYYY-MM-DD or DD.MM.YYYY: '" + text + "'");
}

// Stops an offline command once an interrupt has arrived.
void CheckInterrupt()
{
    if (gInterrupt)
        throw Exception(kCancelText);
}

// An input file: a regular file of at most maxBytes, or "-" for standard
// input under the same bound.
std::string ReadInput(const std::string& path, uint64_t maxBytes)
{
    if (path != "-")
        return ReadWholeFile(path, maxBytes);
    std::string content;
    for (;;) {
        char buffer[65536];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            CheckInterrupt();
            continue;
        }
        if (n < 0)
            throw EOSError(errno, "Не удалось прочитать стандартный ввод");
        if (n == 0)
            return content;
        if (content.size() + size_t(n) > maxBytes)
            throw Exception(
                Format("Стандартный ввод больше %llu байт", static_cast<unsigned long long>(maxBytes)));
        content.append(buffer, size_t(n));
    }
}

void Print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The command's words after the global options were taken out.
struct TCommandLine {
    std::string Command;
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options; // "--csv" -> value, "--json" -> ""
    bool Help = false;
};

// Options of each command: name and whether it takes a value.
const std::map<std::string, std::map<std::string, bool>> kCommandOptions{
    {"identify", {}},
    {"read", {}},
    {"write", {}},
    {"dump", {{"--json", false}}},
    {"archive", {{"--from", true}, {"--to", true}, {"--csv", true}, {"--xlsx", true}, {"--raw", true}}},
    {"decode", {{"--csv", true}, {"--xlsx", true}}},
    {"watch", {{"--count", true}}},
    {"packet", {{"--approximate", false}, {"--out", true}}},
    {"config", {{"--identification", false}, {"--yes", false}}},
    {"observe", {{"--sources", true}, {"--interval", true}, {"--count", true}, {"--seconds", true}, {"--csv", true}}},
};

void ParseArguments(int argc, char** argv, TCliLineOptions& line, TCommandLine& command)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto value = [&](size_t& i) -> const std::string& {
        if (i + 1 >= args.size())
            throw TUsageError(args[i] + " needs a value");
        return args[++i];
    };
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--tcp") {
            std::string target = value(i);
            const size_t colon = target.rfind(':');
            if (colon != std::string::npos) {
                line.TcpPort = int32_t(ParseInt(target.substr(colon + 1), 1, 65535, "the TCP port"));
                target = target.substr(0, colon);
            }
            if (target.empty())
                throw TUsageError("--tcp needs a host");
            line.TcpHost = target;
        } else if (a == "--serial") {
            line.SerialDevice = value(i);
        } else if (a == "--baud") {
            line.Baud = int32_t(ParseInt(value(i), 50, 4000000, "--baud"));
        } else if (a == "--modem") {
            line.ModemNumber = value(i);
        } else if (a == "--addr") {
            line.Address = int32_t(ParseInt(value(i), 0, 247, "--addr"));
        } else if (a == "--tcp-timeout") {
            line.TcpTimeout = int32_t(ParseInt(value(i), 0, 600000, "--tcp-timeout"));
        } else if (a == "--tcp-pause") {
            line.TcpPause = int32_t(ParseInt(value(i), 0, 600000, "--tcp-pause"));
        } else if (a == "--log") {
            line.Log = true;
        } else if (a == "--help" || a == "-h") {
            command.Help = true;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.empty())
        return;
    command.Command = rest[0];
    const auto known = kCommandOptions.find(command.Command);
    if (known == kCommandOptions.end())
        throw TUsageError("unknown command '" + command.Command + "'");
    for (size_t i = 1; i < rest.size(); ++i) {
        const std::string& a = rest[i];
        if (a.size() > 1 && a[0] == '-' &&
            !(a.size() > 1 && std::isdigit(static_cast<unsigned char>(a[1])))) {
            const auto option = known->second.find(a);
            if (option == known->second.end())
                throw TUsageError("unknown option '" + a + "' of " + command.Command);
            if (option->second) {
                if (i + 1 >= rest.size())
                    throw TUsageError(a + " needs a value");
                command.Options[a] = rest[++i];
            } else {
                command.Options[a] = "";
            }
        } else {
            command.Positional.push_back(a);
        }
    }
    if (!line.TcpHost.empty() && !line.SerialDevice.empty())
        throw TUsageError("--tcp and --serial exclude each other");
    if (!line.ModemNumber.empty() && line.SerialDevice.empty())
        throw TUsageError("--modem needs --serial");
}

void NeedPositional(const TCommandLine& c, size_t low, size_t high)
{
    if (c.Positional.size() < low || c.Positional.size() > high)
        throw TUsageError(c.Command + ": wrong number of arguments (see zt-cli " + c.Command + " --help)");
}

// Identification without the stored flag: always asks the meter.
class TIdentifyAlgorithm : public ProcessAlgorithm {
public:
    explicit TIdentifyAlgorithm(ZT_Helper* device) : ProcessAlgorithm(nullptr), Device(device) {}
    void Execute() override
    {
        Device->SetIdentified(false);
        if (!Device->IdentifyDevice(Container, 2))
            throw Exception("Неизвестная версия прибора");
        Device->ReadRegisters(ZT_Fields::SerialNumber.Register, 2, Container, 2);
    }
    ZT_Helper* Device;
};

// One raw register transaction of the device helper, without identification.
class TRawRegisterAlgorithm : public ProcessAlgorithm {
public:
    TRawRegisterAlgorithm(TRawRegisterHelper* helper, bool write, int32_t reg, int32_t count)
        : ProcessAlgorithm(nullptr), Helper(helper), Write(write), Reg(reg), Count(count)
    {
    }
    void Execute() override
    {
        if (Write ? !Helper->WriteRegisters(Reg, Count, Container, 1)
                  : !Helper->ReadRegisters(Reg, Count, Container, 2))
            throw Exception(Write ? "the slave did not confirm the write" : "the read request cannot be built");
    }
    TRawRegisterHelper* Helper;
    bool Write;
    int32_t Reg, Count;
};

// "-" is standard output; anything else goes through the shared writer.
void WriteOut(const std::string& path, const std::string& data)
{
    if (path == "-")
        Print(data);
    else
        ::WriteFileAtomically(path, data);
}

void PrintOrSaveTable(const ZT_namespace::TArchiveTableStruct& core, const TCommandLine& c)
{
    const auto xlsx = c.Options.find("--xlsx");
    if (xlsx != c.Options.end())
        ZT_namespace::WriteArchiveWorkbook(xlsx->second, {core});
    const auto csv = c.Options.find("--csv");
    if (csv != c.Options.end())
        WriteOut(csv->second, zt_cli::CsvText(zt_cli::PlainTable(core)));
    if (xlsx == c.Options.end() && csv == c.Options.end())
        Print(zt_cli::PlainText(zt_cli::PlainTable(core)));
}

void Identify(TCliSession& s)
{
    s.Run(std::make_unique<TIdentifyAlgorithm>(&s.Device));
    const ZT_IdentityStruct identity = s.Device.Identity();
    uint32_t serial = 0;
    {
        TDeviceHelperLocker locker(s.Device);
        serial = s.Device.Get(ZT_Fields::SerialNumber);
    }
    Print("Model: " + identity.ModelName + "\nModification: " + identity.Modification +
          "\nVersion: " + identity.Version + Format("\nSerialNumber: %u\n", unsigned(serial)));
}

void Read(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 2, 2);
    const int32_t reg = int32_t(ParseInt(c.Positional[0], 30001, 65535, "REG"));
    const int32_t count = int32_t(ParseInt(c.Positional[1], 1, 127, "COUNT"));
    if (reg + count - 1 > 65535)
        throw TUsageError("the range ends beyond register 65535");
    // One request reads one space: input registers end at 40000.
    if (reg <= 40000 && reg + count - 1 > 40000)
        throw TUsageError(Format("registers %d..%d cross from the input registers (up to 40000) into the "
                                 "holding registers; read each space on its own",
                                 reg, reg + count - 1));
    s.Open();
    s.Run(std::make_unique<TRawRegisterAlgorithm>(&s.Raw, false, reg, count));
    std::string text;
    for (int32_t i = 0; i < count; ++i)
        text += Format("%d %04X\n", reg + i, unsigned(s.Raw.Word(reg + i)));
    Print(text);
}

void Write(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 2, 124);
    const int32_t reg = int32_t(ParseInt(c.Positional[0], 40001, 65535, "REG"));
    const int32_t count = int32_t(c.Positional.size() - 1);
    if (reg + count - 1 > 65535)
        throw TUsageError("the range ends beyond register 65535");
    std::vector<uint16_t> words;
    for (size_t i = 1; i < c.Positional.size(); ++i)
        words.push_back(ParseHexWord(c.Positional[i]));
    s.Open();
    {
        TDeviceHelperLocker locker(s.Raw);
        for (int32_t i = 0; i < count; ++i)
            s.Raw.HoldingImage()[reg - 40001 + i] = words[size_t(i)];
    }
    s.Run(std::make_unique<TRawRegisterAlgorithm>(&s.Raw, true, reg, count));
}

void Dump(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 0, 0);
    s.Open();
    s.Run(std::make_unique<ZT_MultiReadWriteAlgorithm>(kReadAllOperation, &s.Device, nullptr, false));
    const ZT_IdentityStruct identity = s.Device.Identity();
    TDeviceHelperLocker locker(s.Device);
    Print(c.Options.count("--json") ? zt_cli::DumpJson(s.Device, identity)
                                    : zt_cli::DumpText(s.Device, identity));
}

int KindOf(const std::string& name)
{
    const int kind = zt_cli::ArchiveKindByName(name);
    if (kind < 0)
        throw TUsageError("unknown archive kind '" + name +
                          "' (hourly, daily, monthly, interval, ns, operator)");
    return kind;
}

void Archive(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 1, 1);
    const int kind = KindOf(c.Positional[0]);
    ZT_ReadArchiveDataSetup setup;
    setup.Kinds = {uint32_t(kind)};
    setup.KindMask = 1 << kind;
    setup.FailIncomplete = true;
    if (const auto from = c.Options.find("--from"); from != c.Options.end()) {
        setup.SearchStart = true;
        setup.DateFrom = ParseDate(from->second);
    }
    if (const auto to = c.Options.find("--to"); to != c.Options.end()) {
        setup.SearchEnd = true;
        setup.DateTo = ParseDate(to->second);
    }
    s.Open();
    s.Run(std::make_unique<ZT_ReadArchiveAlgorithm>(setup, &s.Device, nullptr));
    ZT_namespace::TArchiveTableStruct table;
    std::string raw;
    {
        TDeviceHelperLocker locker(s.Device);
        if (kind == kAlarmJournal || kind == kOperatorJournal) {
            table = zt_cli::KindTable(kind, {}, s.Device.JournalVector(kind));
            raw = zt_cli::RawJournal(s.Device.JournalVector(kind));
        } else {
            table = zt_cli::KindTable(kind, s.Device.ArchiveVector(kind), {});
            raw = zt_cli::RawArchive(s.Device.ArchiveVector(kind));
        }
    }
    if (setup.SearchEnd) {
        // As the archive page shows a period: only the rows dated within it.
        const ZT_namespace::TPeriodStruct period{setup.SearchStart ? setup.DateFrom : 0, setup.DateTo};
        std::erase_if(table.Rows, [&period](const ZT_namespace::TArchiveRowStruct& row) {
            return !(row.Dated && period.Contains(row.Time));
        });
    }
    if (const auto path = c.Options.find("--raw"); path != c.Options.end())
        WriteOut(path->second, raw);
    PrintOrSaveTable(table, c);
}

// A raw record file holds at most a whole ring of 65536 records.
constexpr uint64_t kMaxRawRecordBytes = 65536ull * kArchiveRecordSize;
// Calibration packet files are text of a few hundred points.
constexpr uint64_t kMaxPacketFileBytes = 16ull * 1024 * 1024;

void Decode(const TCommandLine& c)
{
    NeedPositional(c, 2, 2);
    const int kind = KindOf(c.Positional[0]);
    const std::string bytes = ReadInput(c.Positional[1], kMaxRawRecordBytes);
    CheckInterrupt();
    const auto table = zt_cli::DecodeRawTable(kind, bytes);
    CheckInterrupt();
    PrintOrSaveTable(table, c);
}

void Watch(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 0, 0);
    int64_t count = -1;
    if (const auto n = c.Options.find("--count"); n != c.Options.end())
        count = ParseInt(n->second, 1, INT32_MAX, "--count");
    s.Open();
    const TBlockStruct& block = ZT_namespace::ZT_Blocks::CurrentParamsBlock;
    for (int64_t done = 0; count < 0 || done < count; ++done) {
        const uint64_t start = GetTickCount64();
        try {
            s.Run(std::make_unique<ZT_ReadModbusRegAlgorithm>(block.First, block.Count, &s.Device, nullptr,
                                                              false));
        } catch (const TCliInterrupted&) {
            return;
        }
        std::string line;
        {
            TDeviceHelperLocker locker(s.Device);
            using namespace ZT_Fields;
            line = FormatDateTime("hh:nn:ss", Now()) +
                   Format(" Q=%.5f V+=%.6f V-=%.6f", double(s.Device.Get(Expense)), s.Device.Get(VolumeD),
                          s.Device.Get(VolumeR)) +
                   " HardwareNotStaff=" +
                   zt_cli::BitsText(s.Device.Get(HardwareNotStaff), HardwareNotStaff.Bits) +
                   " WorkModeFlags=" + zt_cli::BitsText(s.Device.Get(WorkModeFlags), WorkModeFlags.Bits) +
                   " SystemNotStaff=" + zt_cli::BitsText(s.Device.Get(SystemNotStaff), SystemNotStaff.Bits) +
                   "\n";
        }
        Print(line);
        if (count >= 0 && done + 1 >= count)
            break;
        while (GetTickCount64() - start < 1000 && !gInterrupt)
            Sleep(20);
        if (gInterrupt)
            return;
    }
}

// Polls observation records and writes every accepted sample to the file
// as it arrives, until the count or the time is reached or it is cancelled.
class TObserveAlgorithm : public ProcessAlgorithm {
public:
    TObserveAlgorithm(ZT_Helper* device, int32_t ticks, int64_t count, uint64_t durationMs, std::FILE* out,
                      int64_t& written)
        : ProcessAlgorithm(nullptr), Device(device), Ticks(ticks), Count(count), DurationMs(durationMs), Out(out),
          Written(written)
    {
    }
    void Execute() override
    {
        const uint64_t start = GetTickCount64();
        for (;;) {
            bool read = false;
            try {
                read = Device->ReadObservation(Container, 1);
            } catch (const Exception&) {
                // A recording keeps polling through a bad line.
            }
            if (read) {
                std::vector<ObservationStruct> samples;
                Device->TakeObservations(samples);
                for (const ObservationStruct& sample : samples) {
                    std::array<double, ZT_Readings::kChanels> values;
                    for (size_t i = 0; i < values.size(); ++i)
                        values[i] = sample.Values[i];
                    const std::string line = ZT_Readings::ValueLine(Written, values) + "\n";
                    if (std::fwrite(line.data(), 1, line.size(), Out) != line.size())
                        throw EOSError(errno, "Ошибка сохранения файла");
                    if (++Written == Count)
                        break;
                }
                std::fflush(Out);
                if (Written == Count)
                    return;
            }
            if (DurationMs > 0 && GetTickCount64() - start >= DurationMs)
                return;
            for (int32_t i = 0; i < Ticks; ++i) {
                Sleep(10);
                ::CheckCancel(Container, kCancelText);
            }
        }
    }
    ZT_Helper* Device;
    int32_t Ticks;
    int64_t Count;
    uint64_t DurationMs;
    std::FILE* Out;
    int64_t& Written; // the caller's: the operation ends on its worker
};

std::vector<uint16_t> ParseSources(const std::string& list)
{
    std::vector<uint16_t> sources;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string item = list.substr(start, end - start);
        const auto& names = ObservationSourceList;
        const auto named = std::find(names.begin(), names.end(), item);
        if (named != names.end())
            sources.push_back(uint16_t(named - names.begin()));
        else
            sources.push_back(uint16_t(ParseInt(item, 0, int64_t(names.size()) - 1, "a source")));
        start = end + 1;
    }
    if (sources.size() > size_t(ZT_Readings::kChanels))
        throw TUsageError("--sources takes at most seven quantities");
    return sources;
}

void Observe(TCliSession& s, const TCommandLine& c)
{
    NeedPositional(c, 0, 0);
    const auto csv = c.Options.find("--csv");
    if (csv == c.Options.end())
        throw TUsageError("observe needs --csv FILE");
    if (c.Options.count("--count") && c.Options.count("--seconds"))
        throw TUsageError("--count and --seconds exclude each other");
    int64_t count = -1;
    uint64_t durationMs = 0;
    int32_t ticks = 20;
    if (const auto n = c.Options.find("--count"); n != c.Options.end())
        count = ParseInt(n->second, 1, INT32_MAX, "--count");
    if (const auto n = c.Options.find("--seconds"); n != c.Options.end())
        durationMs = uint64_t(ParseInt(n->second, 1, 366 * 86400, "--seconds")) * 1000;
    if (const auto n = c.Options.find("--interval"); n != c.Options.end())
        ticks = PollTicks(int32_t(ParseInt(n->second, 30, 2000, "--interval") / 10));
    std::vector<uint16_t> sources;
    if (const auto n = c.Options.find("--sources"); n != c.Options.end())
        sources = ParseSources(n->second);

    s.Open();
    const TBlockStruct& block = ZT_Blocks::ObservationSetupBlock;
    if (c.Options.count("--sources")) {
        {
            TDeviceHelperLocker locker(s.Device);
            for (int n = 1; n <= ZT_Readings::kChanels; ++n)
                s.Device.Set(ZT_Fields::ObservationChanel(n),
                             size_t(n) <= sources.size() ? sources[size_t(n - 1)] : uint16_t(0));
        }
        s.Run(std::make_unique<ZT_WriteModbusRegAlgorithm>(block.First, block.Count, &s.Device, nullptr));
    }
    s.Run(std::make_unique<ZT_ReadModbusRegAlgorithm>(block.First, block.Count, &s.Device, nullptr, false));
    std::array<std::string, ZT_Readings::kChanels> names;
    {
        TDeviceHelperLocker locker(s.Device);
        for (int n = 1; n <= ZT_Readings::kChanels; ++n) {
            const uint16_t index = s.Device.Get(ZT_Fields::ObservationChanel(n));
            if (index >= 1 && index < ObservationSourceList.size())
                names[size_t(n - 1)] = std::string(ObservationSourceList[index]);
        }
    }

    // Written as the samples arrive, not replaced at the end: a recording
    // cut short keeps every line written so far.
    std::FILE* out = std::fopen(csv->second.c_str(), "w");
    if (!out)
        throw EOSError(errno, "Не удалось открыть файл " + csv->second);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(out, &std::fclose);
    const std::string header = ZT_Readings::HeaderLine(names) + "\n";
    std::fwrite(header.data(), 1, header.size(), out);
    std::fflush(out);
    // The samples of an earlier poll are not this recording's.
    std::vector<ObservationStruct> stale;
    s.Device.TakeObservations(stale);
    int64_t written = 0;
    try {
        s.Run(std::make_unique<TObserveAlgorithm>(&s.Device, ticks, count, durationMs, out, written));
    } catch (const TCliInterrupted&) {
        // Ctrl+C ends an open-ended recording.
    }
    if (std::fclose(closer.release()) != 0)
        throw EOSError(errno, "Ошибка сохранения файла");
    Print(Format("%lld samples written to %s\n", static_cast<long long>(written), csv->second.c_str()));
}

void Packet(const TCommandLine& c)
{
    if (c.Positional.empty())
        throw TUsageError("packet: at least one file (see zt-cli packet --help)");
    zt_cli::TPacketOptions options;
    options.Files = c.Positional;
    options.Approximate = c.Options.count("--approximate") > 0;
    if (const auto out = c.Options.find("--out"); out != c.Options.end())
        options.Out = out->second;
    options.Read = [](const std::string& path) {
        CheckInterrupt();
        return ReadInput(path, kMaxPacketFileBytes);
    };
    options.Write = [](const std::string& path, const std::string& data) {
        CheckInterrupt();
        WriteOut(path, data);
    };
    const std::string report = zt_cli::RunPacket(options);
    // With --out - standard output carries the file alone.
    if (options.Out != "-")
        Print(report);
}

void WriteBlockOf(TCliSession& s, const TBlockStruct& block)
{
    s.Run(std::make_unique<ZT_WriteModbusRegAlgorithm>(block.First, block.Count, &s.Device, nullptr));
    Print(std::string(block.WriteText) + "\n");
}

// zt-cli config: returns the exit status.
int Config(TCliSession& s, const TCommandLine& c)
{
    using namespace ZT_Pages;
    NeedPositional(c, 2, 2);
    const std::string& action = c.Positional[0];
    const std::string& path = c.Positional[1];
    if (action != "save" && action != "diff" && action != "write")
        throw TUsageError("config: unknown action '" + action + "' (save, diff, write)");
    if (action != "write" && (c.Options.count("--identification") || c.Options.count("--yes")))
        throw TUsageError("--identification and --yes belong to config write");

    // The file first: one that cannot be used costs no exchange, and an
    // unusable one is refused before anything could be written to it.
    std::unique_ptr<TRootConfiguration> root;
    if (std::filesystem::exists(path))
        root = std::make_unique<TRootConfiguration>(path, kConfigurationRoot);
    else if (action != "save")
        throw Exception("Файл не найден: " + path);
    zt_cli::TConfigSections file;
    if (root && action != "save")
        file = zt_cli::SectionsOfFile(*root);

    s.Open();
    s.Run(std::make_unique<ZT_MultiReadWriteAlgorithm>(kReadAllOperation, &s.Device, nullptr, false));
    zt_cli::TConfigSections meter;
    {
        TDeviceHelperLocker locker(s.Device);
        meter = zt_cli::SectionsOfDevice(s.Device);
    }

    if (action == "save") {
        if (!root)
            root = std::make_unique<TRootConfiguration>(path, kConfigurationRoot);
        zt_cli::WriteSections(*root, meter);
        root->Save();
        Print(Format("Файл %s сохранен\n", path.c_str()));
        return 0;
    }
    if (action == "diff") {
        const std::vector<zt_cli::TDiffRow> rows = zt_cli::DiffSections(file, meter);
        std::string text;
        for (const zt_cli::TDiffRow& row : rows)
            text += row.Field + "\t" + row.File + "\t" + row.Meter + "\n";
        Print(text);
        return rows.empty() ? 0 : 1;
    }

    const bool identification = c.Options.count("--identification") > 0;
    for (const std::string& refusal :
         {identification ? zt_cli::CheckIdentification(file.Identification) : std::string(),
          zt_cli::CheckCalibration(file.Calibration), zt_cli::CheckOutputs(file.Out1, file.Out2),
          zt_cli::CheckWorkSetup(file.WorkSetup)})
        if (!refusal.empty())
            throw Exception(refusal);
    std::vector<const TBlockStruct*> blocks{&ZT_Blocks::CalibrationBlock, &ZT_Blocks::OutputSetupBlock,
                                            &ZT_Blocks::WorkSetupBlock};
    if (identification)
        blocks.push_back(&ZT_Blocks::IdentificationBlock);
    {
        TDeviceHelperLocker locker(s.Device);
        zt_cli::StoreCalibration(s.Device, file.Calibration);
        zt_cli::StoreOutputs(s.Device, file.Out1, file.Out2);
        zt_cli::StoreWorkSetup(s.Device, file.WorkSetup);
        if (identification)
            zt_cli::StoreIdentification(s.Device, file.Identification);
    }
    if (!c.Options.count("--yes")) {
        std::string text = "Nothing sent (add --yes to write). Would write:\n";
        for (const TBlockStruct* block : blocks)
            text += Format("  %s: registers %u..%u\n", std::string(block->Name).c_str(),
                           unsigned(block->First), unsigned(block->First + block->Count - 1));
        zt_cli::TConfigSections written = file;
        if (!identification)
            written.Identification = meter.Identification;
        const std::vector<zt_cli::TDiffRow> rows = zt_cli::DiffSections(written, meter);
        text +=
            rows.empty() ? "No field changes.\n" : "Fields that change (field, new value, meter's value):\n";
        for (const zt_cli::TDiffRow& row : rows)
            text += "  " + row.Field + "\t" + row.File + "\t" + row.Meter + "\n";
        Print(text);
        return 0;
    }
    for (const TBlockStruct* block : blocks)
        WriteBlockOf(s, *block);
    return 0;
}

int Main(int argc, char** argv)
{
    TCliLineOptions line;
    TCommandLine c;
    try {
        ParseArguments(argc, argv, line, c);
        if (c.Help) {
            Print(c.Command.empty() ? kGeneralHelp : kCommandHelp.at(c.Command));
            return 0;
        }
        if (c.Command.empty())
            throw TUsageError("no command given");
        if (c.Command == "decode")
            return Decode(c), 0;
        if (c.Command == "packet")
            return Packet(c), 0;
        if (!line.HasLine())
            throw TUsageError(c.Command + " needs --tcp HOST[:PORT] or --serial DEVICE");

        TCliSession session(line, &gInterrupt);
        if (c.Command == "identify") {
            NeedPositional(c, 0, 0);
            session.Open();
            Identify(session);
        } else if (c.Command == "read") {
            Read(session, c);
        } else if (c.Command == "write") {
            Write(session, c);
        } else if (c.Command == "dump") {
            Dump(session, c);
        } else if (c.Command == "archive") {
            Archive(session, c);
        } else if (c.Command == "watch") {
            Watch(session, c);
        } else if (c.Command == "config") {
            const int status = Config(session, c);
            session.Close();
            return status;
        } else if (c.Command == "observe") {
            Observe(session, c);
        }
        session.Close();
        return 0;
    } catch (const TUsageError& error) {
        std::fprintf(stderr, "zt-cli: %s\nTry 'zt-cli --help'.\n", error.what());
        return 2;
    } catch (const TCliError& error) {
        if (!error.Logged)
            std::fprintf(stderr, "%s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    ReduceTimerSlack();
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return Main(argc, argv);
}
