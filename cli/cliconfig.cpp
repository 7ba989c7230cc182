#include "cli/cliconfig.h"

#include "util/sysutil.h"

#include <algorithm>
#include <cmath>

using namespace ZT_namespace;
using namespace ZT_Pages;

namespace zt_cli {

namespace {

// The output page's event list: a logical output has eight events, a
// counting one (or one without a type) the first four.
constexpr int kLogicalEvents = 8;
constexpr int kCountingEvents = 4;

int32_t Shown(uint16_t index, size_t count)
{
    return index < count ? int32_t(index) : -1;
}

int32_t ItemMask(size_t items)
{
    return items >= 31 ? -1 : int32_t((1u << items) - 1u);
}

// A real as a page shows it with "%g" and reads it back.
double ShownReal(double value)
{
    return StrToReal(Format("%g", value));
}

TOutputSectionStruct OutputOfDevice(const ZT_Helper& device, const TOutputFields& out)
{
    TOutputSectionStruct s;
    s.OutputType = Shown(device.Get(out.OutputType), OutputTypeList.size());
    s.WorkMode = Shown(device.Get(out.WorkMode), DirectionList.size());
    const int events = s.OutputType == 0 ? kLogicalEvents : kCountingEvents;
    s.OutEvent = Shown(device.Get(out.OutEvent), size_t(events));
    s.OutFlags = device.Get(out.OutFlags) & ItemMask(OutFlagsBits.size());
    s.Weight = ShownReal(device.Get(out.Weight));
    s.ImpulseLen = ShownReal(device.Get(out.ImpulseLen) * 0.5);
    s.Integrator = std::min<int32_t>(device.Get(out.Integrator), 255);
    return s;
}

// The table as a save keeps it: nothing from the first row of A = 0 and
// B = 0 on.
TKoefSections AsSaved(TKoefSections sections)
{
    bool ended = false;
    for (TKoefSectionStruct& s : sections) {
        ended = ended || (s.A == 0 && s.B == 0);
        if (ended)
            s = {};
    }
    return sections;
}

bool SameReal(double a, double b)
{
    return static_cast<float>(a) == static_cast<float>(b) || Format("%g", a) == Format("%g", b) ||
           (std::isnan(a) && std::isnan(b));
}

// A number typed as text (serial number, Ду) compares as a number.
bool SameNumberText(const std::string& a, const std::string& b)
{
    int64_t x = 0, y = 0;
    if (TryStrToInt(a, x) && TryStrToInt(b, y))
        return x == y;
    return Trim(a) == Trim(b);
}

class TDiff {
public:
    void Int(const std::string& field, int64_t file, int64_t meter)
    {
        if (file != meter)
            Rows.push_back({field, Format("%lld", (long long)file), Format("%lld", (long long)meter)});
    }
    void Real(const std::string& field, double file, double meter)
    {
        if (!SameReal(file, meter))
            Rows.push_back({field, Format("%.9g", file), Format("%.9g", meter)});
    }
    void Text(const std::string& field, const std::string& file, const std::string& meter)
    {
        if (!SameNumberText(file, meter))
            Rows.push_back({field, file, meter});
    }
    void Output(const std::string& name, const TOutputSectionStruct& f, const TOutputSectionStruct& m)
    {
        const std::string p = "OutputSetup." + name + ".";
        Int(p + "OutputType", f.OutputType, m.OutputType);
        Int(p + "WorkMode", f.WorkMode, m.WorkMode);
        Real(p + "Weight", f.Weight, m.Weight);
        Real(p + "ImpulseLen", f.ImpulseLen, m.ImpulseLen);
        Int(p + "Integrator", f.Integrator, m.Integrator);
        Int(p + "OutEvent", f.OutEvent, m.OutEvent);
        Int(p + "OutFlags", f.OutFlags, m.OutFlags);
    }
    void Table(const std::string& name, const TKoefSections& file, const TKoefSections& meter)
    {
        const TKoefSections f = AsSaved(file), m = AsSaved(meter);
        for (int n = 0; n < kKoefSections; ++n) {
            const std::string p = Format("Calibration.%s.Line%d.", name.c_str(), n + 1);
            Real(p + "A", f[size_t(n)].A, m[size_t(n)].A);
            Real(p + "B", f[size_t(n)].B, m[size_t(n)].B);
            if (n < kKoefSections - 1)
                Int(p + "Stop", f[size_t(n)].Stop, m[size_t(n)].Stop);
        }
    }
    std::vector<TDiffRow> Rows;
};

} // namespace

TConfigSections SectionsOfDevice(const ZT_Helper& device)
{
    TConfigSections s;
    // Identification: the serial number and Ду as their edits show them,
    // a list index beyond the list saved as 0 as the page saves "nothing".
    s.Identification.SerialNumber = Format("%08u", unsigned(device.Get(ZT_Fields::SerialNumber)));
    s.Identification.Du = Format("%2u", unsigned(device.Get(ZT_Fields::Du)));
    s.Identification.Type = std::max(0, Shown(device.Get(ZT_Fields::Type), BodyTypeList.size()));
    s.Identification.Class = std::max(0, Shown(device.Get(ZT_Fields::ClassDevice), ClassDeviceList.size()));

    TCalibrationSectionStruct& c = s.Calibration;
    c.Direct = KoefTableToSections(KoefSectionsToTable(GetKoefSections(device, false)));
    c.Reverse = KoefTableToSections(KoefSectionsToTable(GetKoefSections(device, true)));
    c.Qmin = ShownReal(device.Get(ZT_Fields::Qmin));
    c.Qmax = ShownReal(device.Get(ZT_Fields::Qmax));
    c.Zero = ShownReal(device.Get(ZT_Fields::ZeroOffset));
    c.Flags = device.Get(ZT_Fields::CalibrationFlags) & ItemMask(CalibrationFlagsBits.size());

    s.Out1 = OutputOfDevice(device, ZT_Fields::Out1);
    s.Out2 = OutputOfDevice(device, ZT_Fields::Out2);
    s.WorkSetup = GetWorkSetupSection(device);
    return s;
}

TConfigSections SectionsOfFile(const TConfiguration& root)
{
    TConfigSections s;
    s.Identification = ReadIdentificationSection(root.ChildNodeByName(kIdentificationSection));
    s.Calibration = ReadCalibrationSection(root.ChildNodeByName(kCalibrationSection));
    const TConfiguration outputs = root.ChildNodeByName(kOutputSetupSection);
    s.Out1 = ReadOutputSection(outputs.ChildNodeByName("Out1"));
    s.Out2 = ReadOutputSection(outputs.ChildNodeByName("Out2"));
    s.WorkSetup = ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection));
    return s;
}

void WriteSections(const TConfiguration& root, const TConfigSections& s)
{
    WriteIdentificationSection(root.ChildNodeByName(kIdentificationSection), s.Identification);
    WriteCalibrationSection(root.ChildNodeByName(kCalibrationSection), s.Calibration);
    const TConfiguration outputs = root.ChildNodeByName(kOutputSetupSection);
    WriteOutputSection(outputs.ChildNodeByName("Out1"), s.Out1);
    WriteOutputSection(outputs.ChildNodeByName("Out2"), s.Out2);
    WriteWorkSetupSection(root.ChildNodeByName(kWorkSetupSection), s.WorkSetup);
}

std::vector<TDiffRow> DiffSections(const TConfigSections& file, const TConfigSections& meter)
{
    TDiff d;
    const TIdentificationSectionStruct &fi = file.Identification, &mi = meter.Identification;
    d.Text("Identification.SerialNumber", fi.SerialNumber, mi.SerialNumber);
    d.Text("Identification.Du", fi.Du, mi.Du);
    d.Int("Identification.Type", fi.Type, mi.Type);
    d.Int("Identification.Class", fi.Class, mi.Class);

    const TCalibrationSectionStruct &fc = file.Calibration, &mc = meter.Calibration;
    d.Table("KoefDirect", fc.Direct, mc.Direct);
    d.Table("KoefReverse", fc.Reverse, mc.Reverse);
    d.Real("Calibration.Qmin", fc.Qmin, mc.Qmin);
    d.Real("Calibration.Qmax", fc.Qmax, mc.Qmax);
    d.Real("Calibration.Zero", fc.Zero, mc.Zero);
    d.Int("Calibration.Flags", fc.Flags, mc.Flags);

    d.Output("Out1", file.Out1, meter.Out1);
    d.Output("Out2", file.Out2, meter.Out2);

    const TWorkSetupSectionStruct &fw = file.WorkSetup, &mw = meter.WorkSetup;
    d.Int("WorkSetup.IntervalArchivePeriod", fw.IntervalArchivePeriod, mw.IntervalArchivePeriod);
    d.Int("WorkSetup.Uart_0.Speed", fw.UartSpeed, mw.UartSpeed);
    d.Int("WorkSetup.Plugin_1.Speed", fw.Plugin1Speed, mw.Plugin1Speed);
    d.Int("WorkSetup.Plugin_1.NetAddress", fw.Plugin1NetAddress, mw.Plugin1NetAddress);
    d.Int("WorkSetup.Plugin_2.Speed", fw.Plugin2Speed, mw.Plugin2Speed);
    d.Int("WorkSetup.Plugin_2.NetAddress", fw.Plugin2NetAddress, mw.Plugin2NetAddress);
    d.Int("WorkSetup.StartStop.Mode", fw.StartStopMode, mw.StartStopMode);
    d.Int("WorkSetup.StartStop.NoiseCancel", fw.NoiseCancel, mw.NoiseCancel);
    d.Int("WorkSetup.Filter.CurentExpense", fw.CurentExpense, mw.CurentExpense);
    d.Int("WorkSetup.Filter.Threshold", fw.ThresholdFilter, mw.ThresholdFilter);
    d.Int("WorkSetup.Pressure.TypeSensor", fw.TypeSensor, mw.TypeSensor);
    d.Int("WorkSetup.Pressure.SensorCurrent", fw.SensorCurrent, mw.SensorCurrent);
    d.Real("WorkSetup.Threshold.Q_low", fw.Q_low, mw.Q_low);
    d.Real("WorkSetup.Threshold.Q_hi", fw.Q_hi, mw.Q_hi);
    d.Int("WorkSetup.Threshold.P_low", fw.P_low, mw.P_low);
    d.Int("WorkSetup.Threshold.P_hi", fw.P_hi, mw.P_hi);
    d.Int("WorkSetup.Threshold.NoiseRel", fw.NoiseRel, mw.NoiseRel);
    d.Int("WorkSetup.Threshold.NoiseAbs", fw.NoiseAbs, mw.NoiseAbs);
    d.Int("WorkSetup.Threshold.WaterResistance", fw.WaterResistance, mw.WaterResistance);
    d.Int("WorkSetup.Threshold.DropVoltage", fw.DropVoltage, mw.DropVoltage);
    return d.Rows;
}

std::string CheckIdentification(const TIdentificationSectionStruct& s)
{
    int64_t du = 0;
    if (!TryStrToInt(s.Du, du) || du < 1 || du > 400)
        return "Не корректное значение Ду";
    return {};
}

std::string CheckCalibration(const TCalibrationSectionStruct& s)
{
    if (static_cast<float>(s.Qmin) == 0.0f || static_cast<float>(s.Qmax) == 0.0f || !std::isfinite(s.Qmin) ||
        !std::isfinite(s.Qmax))
        return "Не корректное значение Q_min или Q_max";
    return {};
}

std::string CheckOutputs(const TOutputSectionStruct& out1, const TOutputSectionStruct& out2)
{
    for (const TOutputSectionStruct* s : {&out1, &out2})
        if (s->OutputType < 0 || s->OutputType >= int32_t(OutputTypeList.size()))
            return "Не выбран тип выхода";
    if (out1.OutputType != 0 && static_cast<float>(out1.Weight) == 0.0f)
        return "Не задан вес импульса 1";
    if (out2.OutputType != 0 && static_cast<float>(out2.Weight) == 0.0f)
        return "Не задан вес импульса 2";
    return {};
}

std::string CheckWorkSetup(const TWorkSetupSectionStruct& s)
{
    if (!std::isfinite(s.Q_low) || std::fabs(s.Q_low) > 3.4e38)
        return "Не корректное значение Q_low";
    if (!std::isfinite(s.Q_hi) || std::fabs(s.Q_hi) > 3.4e38)
        return "Не корректное значение Q_hi";
    for (int32_t p : {s.P_low, s.P_hi})
        if (p < 0 || p > 25000)
            return "Давление должно быть в диапазоне 0...2,5 (МПа)";
    for (int32_t t : {s.NoiseRel, s.NoiseAbs, s.WaterResistance, s.DropVoltage})
        if (t < 1 || t > 65535)
            return "Не корректное значение пороговых значений";
    if (s.IntervalArchivePeriod < 0 || s.IntervalArchivePeriod > 3600)
        return "Не корректное значение IntervalArchivePeriod";
    return {};
}

void StoreIdentification(ZT_Helper& device, const TIdentificationSectionStruct& s)
{
    device.Set(ZT_Fields::SerialNumber, StrToUInt(s.SerialNumber));
    device.Set(ZT_Fields::Du, static_cast<uint16_t>(StrToUInt(s.Du)));
    // A list without a selection stores its first entry.
    auto index = [](int32_t v, size_t count) {
        return static_cast<uint16_t>(v >= 0 && size_t(v) < count ? v : 0);
    };
    device.Set(ZT_Fields::Type, index(s.Type, BodyTypeList.size()));
    device.Set(ZT_Fields::ClassDevice, index(s.Class, ClassDeviceList.size()));
}

void StoreCalibration(ZT_Helper& device, const TCalibrationSectionStruct& s)
{
    SetKoefSections(device, false, s.Direct);
    SetKoefSections(device, true, s.Reverse);
    device.Set(ZT_Fields::Qmin, static_cast<float>(s.Qmin));
    device.Set(ZT_Fields::Qmax, static_cast<float>(s.Qmax));
    device.Set(ZT_Fields::ZeroOffset, static_cast<float>(s.Zero));
    // Bits beyond the page's items are the meter's and stay as they are.
    const int32_t items = ItemMask(CalibrationFlagsBits.size());
    const uint16_t kept = device.Get(ZT_Fields::CalibrationFlags) & ~items;
    device.Set(ZT_Fields::CalibrationFlags, static_cast<uint16_t>(kept | (s.Flags & items)));
}

void StoreOutputs(ZT_Helper& device, const TOutputSectionStruct& out1, const TOutputSectionStruct& out2)
{
    auto store = [&device](const TOutputFields& out, const TOutputSectionStruct& s) {
        auto index = [](int32_t v, size_t count) {
            return static_cast<uint16_t>(v >= 0 && size_t(v) < count ? v : 0);
        };
        const uint16_t type = index(s.OutputType, OutputTypeList.size());
        device.Set(out.OutputType, type);
        device.Set(out.WorkMode, index(s.WorkMode, DirectionList.size()));
        device.Set(out.OutEvent, index(s.OutEvent, size_t(type == 0 ? kLogicalEvents : kCountingEvents)));
        const int32_t items = ItemMask(OutFlagsBits.size());
        device.Set(out.OutFlags,
                   static_cast<uint16_t>((device.Get(out.OutFlags) & ~items) | (s.OutFlags & items)));
        device.Set(out.Weight, static_cast<float>(s.Weight));
        // Half milliseconds, truncated, as the page stores them.
        const double halves = std::trunc(double(static_cast<float>(s.ImpulseLen)) * 2.0);
        device.Set(out.ImpulseLen, static_cast<uint16_t>(std::clamp(halves, 0.0, 65535.0)));
        device.Set(out.Integrator, static_cast<uint16_t>(std::clamp(s.Integrator, 0, 255)));
    };
    store(ZT_Fields::Out1, out1);
    store(ZT_Fields::Out2, out2);
}

void StoreWorkSetup(ZT_Helper& device, const TWorkSetupSectionStruct& s)
{
    SetWorkSetupSection(device, s);
}

} // namespace zt_cli
