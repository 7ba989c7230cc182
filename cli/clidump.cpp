#include "cli/clidump.h"

#include "util/sysutil.h"

#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <vector>

using namespace ZT_namespace;

namespace zt_cli {

namespace {

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
        const std::string text = ListText(field.Texts, word);
        return text.empty() ? Format("%u", unsigned(word)) : text;
    }
    case TFieldType::Bits:
        return BitsText(word, field.Texts);
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
        return {{"value", word}, {"text", ListText(field.Texts, word)}};
    case TFieldType::Bits:
        return {{"value", word}, {"bits", BitNames(word, field.Texts)}};
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
