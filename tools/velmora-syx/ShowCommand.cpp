#include "Json.h"
#include "ModulationLists.h"
#include "PatchLayout.h"
#include "PatchName.h"
#include "SyxCommand.h"
#include "SyxFiles.h"

#include <iomanip>

namespace velmora::syx {
namespace {

struct BusView
{
    int bus;
    Byte source, amount, destination;
    bool on() const { return source != 0 && destination != 0; }
};

BusView Bus(const PatchBuffer& p, int bus)
{
    const std::size_t at = BusOffset(bus);
    return {bus, p[at], p[at + 1], p[at + 2]};
}

bool IsBusField(const PatchField& field)
{
    return field.offset >= kFirstBusOffset;
}

std::string BusText(const BusView& b)
{
    const PatchField& source = *FieldAt(BusOffset(b.bus));
    const PatchField& amount = *FieldAt(BusOffset(b.bus) + 1);
    const PatchField& destination = *FieldAt(BusOffset(b.bus) + 2);
    std::string text = DescribeFieldValue(source, b.source) + " -> " +
                       DescribeFieldValue(destination, b.destination) + ", amount " +
                       DescribeFieldValue(amount, b.amount);
    return b.on() ? text : "off (" + text + ")";
}

void ShowText(const std::string& file, std::size_t index, const LoadedPatch& patch,
              const std::string& name, std::ostream& out)
{
    out << file << ", patch " << index;
    if (patch.number >= 0)
        out << " (number " << patch.number << ")";
    if (patch.checksum)
        out << ", " << UnpackStatusText(*patch.checksum);
    out << '\n';
    constexpr int width = 38;
    out << std::left << std::setw(width) << "Name" << '"' << PrintableName(name) << "\"\n";
    for (const PatchField& field : PatchFields()) {
        if (!IsBusField(field))
            out << std::setw(width) << field.name
                << DescribeFieldValue(field, patch.buffer[field.offset]) << '\n';
    }
    for (int bus = 1; bus <= kMatrixBusCount; ++bus)
        out << std::setw(width) << ("Bus " + std::to_string(bus)) << BusText(Bus(patch.buffer, bus))
            << '\n';
    if (patch.hasCarriedByte)
        out << std::setw(width) << "Carried byte" << int(patch.buffer[kPatchRecordSize]) << '\n';
    out << std::right;
}

void ShowJson(const std::string& file, std::size_t index, const LoadedPatch& patch,
              const std::string& name, std::ostream& out)
{
    JsonWriter json(out);
    json.BeginObject().Field("file", file).Field("index", index);
    json.Key("number");
    patch.number >= 0 ? json.Number(patch.number) : json.Null();
    json.Key("checksum_ok");
    patch.checksum ? json.Bool(*patch.checksum == UnpackStatus::Ok) : json.Null();
    json.Field("name", name).Key("fields").BeginArray();
    for (const PatchField& field : PatchFields()) {
        if (IsBusField(field))
            continue;
        const Byte value = patch.buffer[field.offset];
        json.BeginObject().Field("offset", field.offset);
        json.Key("parameter");
        field.parameter >= 0 ? json.Number(field.parameter) : json.Null();
        json.Field("name", field.name).Field("byte", int(value));
        if (field.kind == FieldKind::Signed)
            json.Field("signed", ByteToSigned(value));
        json.Field("text", DescribeFieldValue(field, value)).EndObject();
    }
    json.EndArray().Key("buses").BeginArray();
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const BusView b = Bus(patch.buffer, bus);
        json.BeginObject()
            .Field("bus", bus)
            .Field("on", b.on())
            .Field("source", int(b.source))
            .Field("source_text", std::string(ModSourceText(b.source)))
            .Field("amount", ByteToSigned(b.amount))
            .Field("destination", int(b.destination))
            .Field("destination_text", std::string(ModDestinationText(b.destination)))
            .EndObject();
    }
    json.EndArray();
    json.Key("carried_byte");
    patch.hasCarriedByte ? json.Number(patch.buffer[kPatchRecordSize]) : json.Null();
    json.EndObject();
    out << '\n';
}

} // namespace

int RunShow(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.size() != 1) {
        err << "velmora-syx show: name exactly one file\n";
        return kExitUsage;
    }
    const std::string& file = options.files[0];
    const auto bytes = ReadFileBytes(file);
    if (!bytes.ok()) {
        err << file << ": " << bytes.error << '\n';
        return kExitBadData;
    }
    const auto index = static_cast<std::size_t>(options.index);
    const auto patch = LoadPatch(bytes.value, FileTypeOf(file), index);
    if (!patch.ok()) {
        err << file << ": " << patch.error << '\n';
        return kExitBadData;
    }
    PatchBuffer named = patch.value.buffer;
    if (options.matrix6)
        RaiseMatrix6Name(std::span<Byte>(named).first(kPatchNameLength));
    const std::string name = PatchNameOf(named);
    if (options.json)
        ShowJson(file, index, patch.value, name, out);
    else
        ShowText(file, index, patch.value, name, out);
    if (patch.value.checksum && *patch.value.checksum != UnpackStatus::Ok) {
        err << file << ": patch " << index << " fails its checksum; its data may be damaged\n";
        return kExitBadData;
    }
    return kExitOk;
}

} // namespace velmora::syx
