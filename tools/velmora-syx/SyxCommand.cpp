#include "SyxCommand.h"

#include "Json.h"
#include "SyxFiles.h"

#include <charconv>
#include <iomanip>

namespace velmora::syx {

const char* const kUsage =
    "usage: velmora-syx info [--json] [--matrix6] FILE...\n"
    "       velmora-syx show [--json] [--matrix6] [--index N] FILE\n"
    "       velmora-syx convert [--index N] [--number N] [--ignore-checksum] IN OUT\n"
    "       velmora-syx convert --assemble [--ignore-checksum] IN... OUT\n"
    "       velmora-syx ports [--json]\n"
    "       velmora-syx backup --in PORT --out PORT [--model 1000|6] FILE\n"
    "       velmora-syx restore --out PORT [--bank 0|1] [--model 1000|6] FILE\n"
    "       velmora-syx get --in PORT --out PORT [--model 1000|6] [--number N] FILE\n"
    "       velmora-syx put --out PORT [--model 1000|6] --number N FILE\n"
    "\n"
    "  info     lists every SysEx message in the files: kind, opcode, number, name, checksum;\n"
    "           for .vmp and .vmb files every entry: name and carried byte\n"
    "  show     shows every field of one patch (.syx, .vmp or .vmb)\n"
    "  convert  turns a raw patch (.vmp) or bank (.vmb) into SysEx (.syx), and back;\n"
    "           with --index N takes patch N out of a bank (.syx or .vmb) into a patch\n"
    "           file; with --assemble (or several inputs) puts the patches of all inputs,\n"
    "           in order, into one bank of 100 (.syx or .vmb), the rest left empty\n"
    "  ports    lists the MIDI inputs and outputs, the built-in virtual instrument among them\n"
    "  backup   receives the instrument's 100 patches into FILE, its splits into\n"
    "           STEM-splits.syx and its global record into STEM-global.syx (STEM: FILE\n"
    "           without .syx)\n"
    "  restore  sends a bank file (100 patch messages) into bank 0 or 1 (Matrix-6: its bank)\n"
    "  get      receives one patch: the Matrix-1000 edit buffer, or Matrix-6 patch N (which\n"
    "           the Matrix-6 then also gets in slot 99, as Velmora's Download does)\n"
    "  put      stores one patch (.syx or .vmp) as patch N (0..199, Matrix-6 0..99)\n"
    "\n"
    "  --in PORT, --out PORT  MIDI ports by number or part of the name (see ports)\n"
    "  --model 1000|6   the instrument: Matrix-1000 (default) or Matrix-6\n"
    "  --bank 0|1       the Matrix-1000 bank restore writes (default 0)\n"
    "  --index N        which patch of the file (counting from 0)\n"
    "  --number N       the patch number a converted patch carries in its message (0..99;\n"
    "                   by default a .syx keeps its own, a .vmb entry N carries N);\n"
    "                   for get and put, the patch on the instrument\n"
    "  --matrix6        show names as a Matrix-6 sends them (bytes below 32 raised by 64)\n"
    "  --ignore-checksum  convert patches whose checksum is wrong\n"
    "  --json           print JSON for scripts\n";

namespace {

bool ParseNumber(const std::string& text, long& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

void InfoText(const std::string& file, const FileReport& report, std::ostream& out)
{
    out << file << '\n';
    out << "     #  offset  length  kind                op  num  name          checksum\n";
    for (const MessageInfo& m : report.messages) {
        out << std::setw(6) << m.index << std::setw(8) << m.offset << std::setw(8) << m.length
            << "  " << std::left << std::setw(20)
            << (m.complete ? DumpKindName(m.kind) : "cut short (no F7)") << std::right;
        if (m.opcode >= 0)
            out << std::hex << std::uppercase << std::setfill('0') << std::setw(2) << m.opcode
                << std::dec << std::setfill(' ');
        else
            out << "--";
        out << "  ";
        if (m.number >= 0)
            out << std::setw(3) << m.number;
        else
            out << "  -";
        out << "  " << std::left << std::setw(12)
            << (m.name ? "\"" + PrintableName(*m.name) + "\"" : std::string("-")) << std::right
            << "  " << (m.checksum ? UnpackStatusText(*m.checksum) : "-") << '\n';
    }
    out << file << ": " << report.messages.size()
        << (report.messages.size() == 1 ? " message: " : " messages: ")
        << report.count(DumpKind::Patch) << " patch, " << report.count(DumpKind::Split)
        << " split, " << report.count(DumpKind::Global1000) << " Matrix-1000 global, "
        << report.count(DumpKind::Master6) << " Matrix-6 master, " << report.count(DumpKind::Other)
        << " other; ";
    if (report.badChecksums == 0)
        out << "all checksums good";
    else
        out << report.badChecksums << " checksum "
            << (report.badChecksums == 1 ? "error" : "errors");
    if (report.strayBytes > 0)
        out << "; " << report.strayBytes << " bytes outside any message";
    out << '\n';
}

void InfoJson(const std::string& file, const FileReport& report, JsonWriter& json)
{
    json.BeginObject().Field("file", file).Key("messages").BeginArray();
    for (const MessageInfo& m : report.messages) {
        json.BeginObject()
            .Field("index", m.index)
            .Field("offset", m.offset)
            .Field("length", m.length)
            .Field("complete", m.complete)
            .Field("kind", DumpKindName(m.kind));
        json.Key("opcode");
        m.opcode >= 0 ? json.Number(m.opcode) : json.Null();
        json.Key("number");
        m.number >= 0 ? json.Number(m.number) : json.Null();
        json.Key("name");
        m.name ? json.String(*m.name) : json.Null();
        json.Key("checksum_ok");
        m.checksum ? json.Bool(*m.checksum == UnpackStatus::Ok) : json.Null();
        json.EndObject();
    }
    json.EndArray()
        .Key("summary")
        .BeginObject()
        .Field("messages", report.messages.size())
        .Field("patches", report.count(DumpKind::Patch))
        .Field("splits", report.count(DumpKind::Split))
        .Field("globals_1000", report.count(DumpKind::Global1000))
        .Field("masters_6", report.count(DumpKind::Master6))
        .Field("other", report.count(DumpKind::Other))
        .Field("checksum_errors", report.badChecksums)
        .Field("cut_short", report.incomplete)
        .Field("stray_bytes", report.strayBytes)
        .EndObject()
        .EndObject();
}

void RawInfoText(const std::string& file, const RawReport& report, std::ostream& out)
{
    const bool bank = report.expected == kRawBankSize;
    out << file << '\n';
    out << "     #  offset  name          carried\n";
    for (const RawEntry& e : report.entries)
        out << std::setw(6) << e.index << std::setw(8) << e.offset << "  " << std::left
            << std::setw(12) << ("\"" + PrintableName(e.name) + "\"") << std::right << std::setw(9)
            << int(e.carried) << '\n';
    out << file << ": raw " << (bank ? "bank" : "patch") << " file, " << report.entries.size()
        << (report.entries.size() == 1 ? " patch" : " patches");
    if (report.unusedBytes() > 0)
        out << "; " << report.unusedBytes() << " bytes after them are not used";
    out << '\n';
}

void RawInfoJson(const std::string& file, const RawReport& report, JsonWriter& json)
{
    json.BeginObject()
        .Field("file", file)
        .Field("format", report.expected == kRawBankSize ? "raw bank" : "raw patch")
        .Field("size", report.size)
        .Key("entries")
        .BeginArray();
    for (const RawEntry& e : report.entries)
        json.BeginObject()
            .Field("index", e.index)
            .Field("offset", e.offset)
            .Field("name", e.name)
            .Field("carried_byte", int(e.carried))
            .EndObject();
    json.EndArray().Field("unused_bytes", report.unusedBytes()).EndObject();
}

// Lists a file of any of the three types; false when it has a fault.
bool InfoOne(const Options& options, const std::string& file, const Bytes& bytes, JsonWriter& json,
             std::ostream& out, std::ostream& err)
{
    const FileType type = FileTypeOf(file);
    std::string problem;
    if (type == FileType::RawPatch || type == FileType::RawBank) {
        const RawReport report = InspectRaw(bytes, type, options.matrix6);
        if (options.json)
            RawInfoJson(file, report, json);
        else
            RawInfoText(file, report, out);
        problem = report.Problem();
    } else {
        const FileReport report = InspectSysex(bytes, options.matrix6);
        if (options.json)
            InfoJson(file, report, json);
        else
            InfoText(file, report, out);
        problem = report.Problem();
    }
    if (!problem.empty())
        err << file << ": " << problem << '\n';
    return problem.empty();
}

} // namespace

int RunInfo(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.empty()) {
        err << "velmora-syx info: name at least one file\n";
        return kExitUsage;
    }
    int exit = kExitOk;
    JsonWriter json(out);
    if (options.json)
        json.BeginObject().Key("files").BeginArray();
    for (const std::string& file : options.files) {
        const auto bytes = ReadFileBytes(file);
        if (!bytes.ok()) {
            err << file << ": " << bytes.error << '\n';
            if (options.json)
                json.BeginObject().Field("file", file).Field("error", bytes.error).EndObject();
            exit = kExitBadData;
            continue;
        }
        if (!InfoOne(options, file, bytes.value, json, out, err))
            exit = kExitBadData;
    }
    if (options.json) {
        json.EndArray().EndObject();
        out << '\n';
    }
    return exit;
}

int RunSyx(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string& command = args[0];
    Options options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--matrix6") {
            options.matrix6 = true;
        } else if (arg == "--ignore-checksum") {
            options.ignoreChecksum = true;
        } else if (arg == "--assemble") {
            options.assemble = true;
        } else if (arg == "--index" || arg == "--number") {
            long& target = arg == "--index" ? options.index : options.number;
            (arg == "--index" ? options.indexGiven : options.numberGiven) = true;
            if (i + 1 >= args.size() || !ParseNumber(args[i + 1], target) || target < 0) {
                err << "velmora-syx: " << arg << " needs a number of 0 or more\n";
                return kExitUsage;
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "velmora-syx: unknown option " << arg << "\n" << kUsage;
            return kExitUsage;
        } else {
            options.files.push_back(arg);
        }
    }
    if (command == "info")
        return RunInfo(options, out, err);
    if (command == "show")
        return RunShow(options, out, err);
    if (command == "convert")
        return RunConvert(options, out, err);
    err << "velmora-syx: unknown command " << command << "\n" << kUsage;
    return kExitUsage;
}

} // namespace velmora::syx
