#include "protocol/ModulationLists.h"
#include "protocol/PatchLayout.h"
#include "protocol/PatchName.h"
#include "velmora-syx/Json.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"

#include <iomanip>

namespace velmora::syx {
namespace {

struct BusView
{
    int bus;
    Byte source, amount, destination;
    bool on() const { return source != 0 && destination != 0; }
};

BusView busView(const PatchBuffer& p, int bus)
{
    const std::size_t at = busOffset(bus);
    return {bus, p[at], p[at + 1], p[at + 2]};
}

bool isBusField(const PatchField& field)
{
    return field.offset >= kFirstBusOffset;
}

std::string busText(const BusView& b)
{
    const PatchField& source = *fieldAt(busOffset(b.bus));
    const PatchField& amount = *fieldAt(busOffset(b.bus) + 1);
    const PatchField& destination = *fieldAt(busOffset(b.bus) + 2);
    std::string text = describeFieldValue(source, b.source) + " -> " +
                       describeFieldValue(destination, b.destination) + ", amount " +
                       describeFieldValue(amount, b.amount);
    return b.on() ? text : "off (" + text + ")";
}

void showText(const std::string& file, std::size_t index, const LoadedPatch& patch,
              const std::string& name, std::ostream& out)
{
    out << file << ", patch " << index;
    if (patch.number >= 0)
        out << " (number " << patch.number << ")";
    if (patch.checksum)
        out << ", " << unpackStatusText(*patch.checksum);
    out << '\n';
    constexpr int width = 38;
    out << std::left << std::setw(width) << "Name" << '"' << printableName(name) << "\"\n";
    for (const PatchField& field : patchFields()) {
        if (!isBusField(field))
            out << std::setw(width) << field.name
                << describeFieldValue(field, patch.buffer[field.offset]) << '\n';
    }
    for (int bus = 1; bus <= kMatrixBusCount; ++bus)
        out << std::setw(width) << ("Bus " + std::to_string(bus))
            << busText(busView(patch.buffer, bus)) << '\n';
    if (patch.hasCarriedByte)
        out << std::setw(width) << "Carried byte" << int(patch.buffer[kPatchRecordSize]) << '\n';
    out << std::right;
}

void showJson(const std::string& file, std::size_t index, const LoadedPatch& patch,
              const std::string& name, std::ostream& out)
{
    JsonWriter json(out);
    json.beginObject().field("file", file).field("index", index);
    json.key("number");
    patch.number >= 0 ? json.number(patch.number) : json.null();
    json.key("checksum_ok");
    patch.checksum ? json.boolean(*patch.checksum == UnpackStatus::Ok) : json.null();
    json.field("name", name).key("fields").beginArray();
    for (const PatchField& field : patchFields()) {
        if (isBusField(field))
            continue;
        const Byte value = patch.buffer[field.offset];
        json.beginObject().field("offset", field.offset);
        json.key("parameter");
        field.parameter >= 0 ? json.number(field.parameter) : json.null();
        json.field("name", field.name).field("byte", int(value));
        if (field.kind == FieldKind::Signed)
            json.field("signed", byteToSigned(value));
        json.field("text", describeFieldValue(field, value)).endObject();
    }
    json.endArray().key("buses").beginArray();
    for (int bus = 1; bus <= kMatrixBusCount; ++bus) {
        const BusView b = busView(patch.buffer, bus);
        json.beginObject()
            .field("bus", bus)
            .field("on", b.on())
            .field("source", int(b.source))
            .field("source_text", std::string(modSourceText(b.source)))
            .field("amount", byteToSigned(b.amount))
            .field("destination", int(b.destination))
            .field("destination_text", std::string(modDestinationText(b.destination)))
            .endObject();
    }
    json.endArray();
    json.key("carried_byte");
    patch.hasCarriedByte ? json.number(patch.buffer[kPatchRecordSize]) : json.null();
    json.endObject();
    out << '\n';
}

} // namespace

int runShow(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.size() != 1) {
        err << "velmora-syx show: name exactly one file\n";
        return kExitUsage;
    }
    const std::string& file = options.files[0];
    const auto bytes = readFileBytes(file);
    if (!bytes.ok()) {
        err << file << ": " << bytes.error << '\n';
        return kExitBadData;
    }
    const auto index = static_cast<std::size_t>(options.index);
    const auto patch = loadPatch(bytes.value, fileTypeOf(file), index);
    if (!patch.ok()) {
        err << file << ": " << patch.error << '\n';
        return kExitBadData;
    }
    PatchBuffer named = patch.value.buffer;
    if (options.matrix6)
        raiseMatrix6Name(std::span<Byte>(named).first(kPatchNameLength));
    const std::string name = patchNameOf(named);
    if (options.json)
        showJson(file, index, patch.value, name, out);
    else
        showText(file, index, patch.value, name, out);
    if (patch.value.checksum && *patch.value.checksum != UnpackStatus::Ok) {
        err << file << ": patch " << index << " fails its checksum; its data may be damaged\n";
        return kExitBadData;
    }
    return kExitOk;
}

} // namespace velmora::syx
