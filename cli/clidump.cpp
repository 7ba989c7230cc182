#include "cli/clidump.h"

#include "util/sysutil.h"

#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <vector>

using namespace ZT_namespace;
using namespace ZT_namespace::ZT_Fields;

namespace zt_cli {

namespace {

struct TListEntry {
    uint16_t Register;
    TTextList List;
};

void AddOutput(std::vector<TListEntry>& out, const TOutputFields& f)
{
    out.push_back({f.OutputType.Register, f.OutputType.List});
    out.push_back({f.WorkMode.Register, f.WorkMode.List});
    out.push_back({f.OutEvent.Register, f.OutEvent.List});
    out.push_back({f.OutFlags.Register, f.OutFlags.Bits});
}

void AddPlugin(std::vector<TListEntry>& out, const TPluginFields& f)
{
    out.push_back({f.SlotMode.Register, f.SlotMode.List});
    out.push_back({f.Speed.Register, f.Speed.List});
    out.push_back({f.CurrentOutRange.Register, f.CurrentOutRange.List});
    out.push_back({f.WorkMode.Register, f.WorkMode.List});
}

// The texts of every list and bit field, by register.
const std::vector<TListEntry>& Lists()
{
    static const std::vector<TListEntry> lists = [] {
        std::vector<TListEntry> out{
            {Type.Register, Type.List},
            {PluginCard1.Register, PluginCard1.List},
            {PluginCard2.Register, PluginCard2.List},
            {ClassDevice.Register, ClassDevice.List},
            {SignalMeasureRegress.Register, SignalMeasureRegress.List},
            {InductorMeasureRegress.Register, InductorMeasureRegress.List},
            {SignalChangeInputMode.Register, SignalChangeInputMode.List},
            {InductorChangeInputMode.Register, InductorChangeInputMode.List},
            {SystemFlags.Register, SystemFlags.Bits},
            {PolarityMode.Register, PolarityMode.List},
            {InputConnection.Register, InputConnection.Bits},
            {ReferenceConnection.Register, ReferenceConnection.Bits},
            {InputClose.Register, InputClose.Bits},
            {CalibrationFlags.Register, CalibrationFlags.Bits},
            {WorkMode_0.Register, WorkMode_0.List},
            {UartSpeed_0.Register, UartSpeed_0.List},
            {CurrentExpenseFilter.Register, CurrentExpenseFilter.List},
            {ThresholdFilter.Register, ThresholdFilter.List},
            {StartStopMode.Register, StartStopMode.List},
            {TypePressureSensor.Register, TypePressureSensor.List},
            {CurrentPressureSensor.Register, CurrentPressureSensor.List},
            {MainMeasureTestMode.Register, MainMeasureTestMode.List},
            {OutTestModeFreq.Register, OutTestModeFreq.List},
            {OutTestModeCurrent.Register, OutTestModeCurrent.List},
            {DeviceWorkMode.Register, DeviceWorkMode.List},
            {HardwareNotStaff.Register, HardwareNotStaff.Bits},
            {WorkModeFlags.Register, WorkModeFlags.Bits},
            {SystemNotStaff.Register, SystemNotStaff.Bits},
            {StatusCurrent1.Register, StatusCurrent1.List},
            {StatusCurrent2.Register, StatusCurrent2.List},
        };
        for (int chanel = 1; chanel <= 7; ++chanel)
            out.push_back({ObservationChanel(chanel).Register, ObservationChanel(chanel).List});
        AddOutput(out, Out1);
        AddOutput(out, Out2);
        AddPlugin(out, Plugin_1);
        AddPlugin(out, Plugin_2);
        return out;
    }();
    return lists;
}

TTextList ListOf(uint16_t reg)
{
    for (const TListEntry& entry : Lists())
        if (entry.Register == reg)
            return entry.List;
    return {};
}

std::vector<std::string> BitNames(uint16_t value, TTextList names)
{
    std::vector<std::string> out;
    for (int bit = 0; bit < 16; ++bit)
        if (value & (1u << bit)) {
            std::string name = ListText(names, size_t(bit));
            out.push_back(name.empty() ? Format("bit %d", bit) : name);
        }
    return out;
}

uint32_t Dword(const ZT_Helper& device, uint16_t reg)
{
    return device.Get(TField<uint32_t>{reg});
}

std::string ValueText(const ZT_Helper& device, const TFieldDesc& field)
{
    const uint16_t word = device.Word(field.Register);
    switch (field.Type) {
    case TFieldType::UInt16:
        return Format("%u", unsigned(word));
    case TFieldType::Int16:
        return Format("%d", int(int16_t(word)));
    case TFieldType::UInt32:
        return Format("%u", unsigned(Dword(device, field.Register)));
    case TFieldType::Int32:
        return Format("%d", int(int32_t(Dword(device, field.Register))));
    case TFieldType::Float32:
        return Format("%.7g", double(device.Get(TField<float>{field.Register})));
    case TFieldType::Int8Low:
        return Format("%d", int(int8_t(word & 0xFF)));
    case TFieldType::Index: {
        const std::string text = ListText(ListOf(field.Register), word);
        return text.empty() ? Format("%u", unsigned(word)) : text;
    }
    case TFieldType::Bits:
        return BitsText(word, ListOf(field.Register));
    }
    return {};
}

nlohmann::ordered_json ValueJson(const ZT_Helper& device, const TFieldDesc& field)
{
    const uint16_t word = device.Word(field.Register);
    switch (field.Type) {
    case TFieldType::UInt16:
        return word;
    case TFieldType::Int16:
        return int16_t(word);
    case TFieldType::UInt32:
        return Dword(device, field.Register);
    case TFieldType::Int32:
        return int32_t(Dword(device, field.Register));
    case TFieldType::Float32: {
        const float value = device.Get(TField<float>{field.Register});
        return std::isfinite(value) ? nlohmann::ordered_json(double(value)) : nlohmann::ordered_json(nullptr);
    }
    case TFieldType::Int8Low:
        return int8_t(word & 0xFF);
    case TFieldType::Index:
        return {{"value", word}, {"text", ListText(ListOf(field.Register), word)}};
    case TFieldType::Bits:
        return {{"value", word}, {"bits", BitNames(word, ListOf(field.Register))}};
    }
    return nullptr;
}

bool InBlock(const TBlockStruct& block, const TFieldDesc& field)
{
    return field.Register >= block.First && field.Register < block.First + block.Count;
}

} // namespace

std::string BitsText(uint16_t value, TTextList names)
{
    std::string text = Format("0x%04X", unsigned(value));
    const std::vector<std::string> set = BitNames(value, names);
    for (size_t i = 0; i < set.size(); ++i)
        text += (i ? "; " : " ") + set[i];
    return text;
}

std::string DumpText(const ZT_Helper& device, const ZT_IdentityStruct& identity)
{
    std::string text = "Model = " + identity.ModelName + "\nModification = " + identity.Modification +
                       "\nVersion = " + identity.Version + "\n";
    for (const TBlockStruct& block : Blocks) {
        std::string lines;
        for (const TFieldDesc& field : FieldTable())
            if (InBlock(block, field))
                lines += std::string(field.Name) + " = " + ValueText(device, field) + "\n";
        if (!lines.empty())
            text += Format("\n[%.*s] %u..%u\n", int(block.Name.size()), block.Name.data(),
                           unsigned(block.First), unsigned(block.First + block.Count - 1)) +
                    lines;
    }
    return text;
}

std::string DumpJson(const ZT_Helper& device, const ZT_IdentityStruct& identity)
{
    nlohmann::ordered_json root;
    root["identity"] = {{"model", identity.ModelName},
                        {"modification", identity.Modification},
                        {"version", identity.Version}};
    nlohmann::ordered_json blocks = nlohmann::ordered_json::array();
    for (const TBlockStruct& block : Blocks) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::object();
        for (const TFieldDesc& field : FieldTable())
            if (InBlock(block, field))
                fields[std::string(field.Name)] = ValueJson(device, field);
        if (fields.empty())
            continue;
        blocks.push_back({{"name", std::string(block.Name)},
                          {"first", block.First},
                          {"count", block.Count},
                          {"fields", fields}});
    }
    root["blocks"] = blocks;
    return root.dump(2) + "\n";
}

} // namespace zt_cli
