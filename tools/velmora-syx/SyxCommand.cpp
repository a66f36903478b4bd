#include "velmora-syx/SyxCommand.h"

#include "velmora-syx/Json.h"
#include "velmora-syx/SyxFiles.h"

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
    "       velmora-syx backup --all --in PORT --out PORT [--model 1000|6] FILE\n"
    "       velmora-syx restore --out PORT [--in PORT] [--bank 0|1] [--no-check]\n"
    "                           [--model 1000|6] FILE\n"
    "       velmora-syx restore --all --in PORT --out PORT [--banks 0,1] [--no-check]\n"
    "                           [--unprotect] [--master] FILE\n"
    "       velmora-syx get --in PORT --out PORT [--model 1000|6] [--number N] FILE\n"
    "       velmora-syx put --out PORT [--model 1000|6] --number N FILE\n"
    "       velmora-syx detect --in PORT --out PORT\n"
    "       velmora-syx library import [--library FILE] PATH...\n"
    "       velmora-syx library list [--library FILE] [--search TEXT] [--json]\n"
    "       velmora-syx library export [--library FILE] [--search TEXT] FILE\n"
    "\n"
    "  info     lists every SysEx message in the files: kind, opcode, number, name, checksum;\n"
    "           for .vmp and .vmb files every entry: name and carried byte; a Standard MIDI\n"
    "           File (.mid) is read for the SysEx it carries, wherever .syx is read\n"
    "  show     shows every field of one patch (.syx, .vmp or .vmb)\n"
    "  convert  turns a raw patch (.vmp) or bank (.vmb) into SysEx (.syx), and back;\n"
    "           with --index N takes patch N out of a bank (.syx or .vmb) into a patch\n"
    "           file; with --assemble (or several inputs) puts the patches of all inputs,\n"
    "           in order, into one bank of 100 (.syx or .vmb), the rest left empty\n"
    "  ports    lists the MIDI inputs and outputs, the built-in virtual instrument among them\n"
    "  backup   receives the instrument's 100 patches into FILE, its splits into\n"
    "           STEM-splits.syx and its global record into STEM-global.syx (STEM: FILE\n"
    "           without .syx)\n"
    "           with --all: the whole instrument into FILE: a Matrix-1000's ten banks and\n"
    "           its global record (the bank lock left as it was), a Matrix-6's 100\n"
    "           patches, 50 splits and master record; nothing is written if any part fails\n"
    "  restore  sends a bank file (100 patch messages) into bank 0 or 1 (Matrix-6: its bank);\n"
    "           with --in it then reads the bank back and says whether it holds what was sent\n"
    "           with --all: writes a backup back: banks 0 and 1 of a Matrix-1000 (or those\n"
    "           --banks names), a Matrix-6's patches and splits (and with --master its\n"
    "           master record, which has not been tried on a real unit), then reads each\n"
    "           back and compares it; memory protect on stops it unless --unprotect\n"
    "           switches it off for the restore (and on again after)\n"
    "  get      receives one patch: the Matrix-1000 edit buffer, or Matrix-6 patch N (which\n"
    "           the Matrix-6 then also gets in slot 99, as Velmora's Download does)\n"
    "  put      stores one patch (.syx or .vmp) as patch N (0..199, Matrix-6 0..99)\n"
    "  detect   asks which instrument answers on the ports: Matrix-1000 or Matrix-6, its\n"
    "           MIDI channel and the bytes of its device inquiry reply (exit 1: nothing did)\n"
    "  library  the program's patch library, also while the program has it open:\n"
    "           import reads files and folders (searched through for .syx, .mid, .vmp,\n"
    "           .vmb) and keeps each patch once; list shows the patches, or those whose\n"
    "           name, tags or comment hold TEXT; export writes the matching patches as\n"
    "           a bank .syx (up to 100), else as one .syx of all their patch messages\n"
    "\n"
    "  --library FILE   the library database (default: the program's library.sqlite)\n"
    "  --search TEXT    only patches whose name, tags or comment hold TEXT (any case)\n"
    "  --in PORT, --out PORT  MIDI ports by number or part of the name (see ports)\n"
    "  --model 1000|6   the instrument: Matrix-1000 (default) or Matrix-6\n"
    "  --bank 0|1       the Matrix-1000 bank restore writes (default 0)\n"
    "  --no-check       restore does not read back what it wrote\n"
    "  --index N        which patch of the file (counting from 0)\n"
    "  --number N       the patch number a converted patch carries in its message (0..99;\n"
    "                   by default a .syx keeps its own, a .vmb entry N carries N);\n"
    "                   for get and put, the patch on the instrument\n"
    "  --matrix6        show names as a Matrix-6 sends them (bytes below 32 raised by 64)\n"
    "  --ignore-checksum  convert patches whose checksum is wrong\n"
    "  --json           print JSON for scripts\n";

namespace {

bool parseNumber(const std::string& text, long& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

void infoText(const std::string& file, const FileReport& report, std::ostream& out)
{
    out << file << '\n';
    out << "     #  offset  length  kind                op  num  name          checksum\n";
    for (const MessageInfo& m : report.messages) {
        out << std::setw(6) << m.index << std::setw(8) << m.offset << std::setw(8) << m.length
            << "  " << std::left << std::setw(20)
            << (m.complete ? dumpKindName(m.kind) : "cut short (no F7)") << std::right;
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
            << (m.name ? "\"" + printableName(*m.name) + "\"" : std::string("-")) << std::right
            << "  " << (m.checksum ? unpackStatusText(*m.checksum) : "-") << '\n';
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
    if (report.backup)
        out << file << ": " << *report.backup << '\n';
}

void infoJson(const std::string& file, const FileReport& report, JsonWriter& json)
{
    json.beginObject().field("file", file).key("messages").beginArray();
    for (const MessageInfo& m : report.messages) {
        json.beginObject()
            .field("index", m.index)
            .field("offset", m.offset)
            .field("length", m.length)
            .field("complete", m.complete)
            .field("kind", dumpKindName(m.kind));
        json.key("opcode");
        m.opcode >= 0 ? json.number(m.opcode) : json.null();
        json.key("number");
        m.number >= 0 ? json.number(m.number) : json.null();
        json.key("name");
        m.name ? json.string(*m.name) : json.null();
        json.key("checksum_ok");
        m.checksum ? json.boolean(*m.checksum == UnpackStatus::Ok) : json.null();
        json.endObject();
    }
    json.endArray()
        .key("summary")
        .beginObject()
        .field("messages", report.messages.size())
        .field("patches", report.count(DumpKind::Patch))
        .field("splits", report.count(DumpKind::Split))
        .field("globals_1000", report.count(DumpKind::Global1000))
        .field("masters_6", report.count(DumpKind::Master6))
        .field("other", report.count(DumpKind::Other))
        .field("checksum_errors", report.badChecksums)
        .field("cut_short", report.incomplete)
        .field("stray_bytes", report.strayBytes)
        .endObject();
    json.key("backup");
    report.backup ? json.string(*report.backup) : json.null();
    json.endObject();
}

void rawInfoText(const std::string& file, const RawReport& report, std::ostream& out)
{
    const bool bank = report.expected == kRawBankSize;
    out << file << '\n';
    out << "     #  offset  name          carried\n";
    for (const RawEntry& e : report.entries)
        out << std::setw(6) << e.index << std::setw(8) << e.offset << "  " << std::left
            << std::setw(12) << ("\"" + printableName(e.name) + "\"") << std::right << std::setw(9)
            << int(e.carried) << '\n';
    out << file << ": raw " << (bank ? "bank" : "patch") << " file, " << report.entries.size()
        << (report.entries.size() == 1 ? " patch" : " patches");
    if (report.unusedBytes() > 0)
        out << "; " << report.unusedBytes() << " bytes after them are not used";
    out << '\n';
}

void rawInfoJson(const std::string& file, const RawReport& report, JsonWriter& json)
{
    json.beginObject()
        .field("file", file)
        .field("format", report.expected == kRawBankSize ? "raw bank" : "raw patch")
        .field("size", report.size)
        .key("entries")
        .beginArray();
    for (const RawEntry& e : report.entries)
        json.beginObject()
            .field("index", e.index)
            .field("offset", e.offset)
            .field("name", e.name)
            .field("carried_byte", int(e.carried))
            .endObject();
    json.endArray().field("unused_bytes", report.unusedBytes()).endObject();
}

// Lists a file of any of the three types; false when it has a fault.
bool infoOne(const Options& options, const std::string& file, const Bytes& bytes, JsonWriter& json,
             std::ostream& out, std::ostream& err)
{
    const FileType type = fileTypeOf(file);
    std::string problem;
    if (type == FileType::RawPatch || type == FileType::RawBank) {
        const RawReport report = inspectRaw(bytes, type, options.matrix6);
        if (options.json)
            rawInfoJson(file, report, json);
        else
            rawInfoText(file, report, out);
        problem = report.problem();
    } else {
        const FileReport report = inspectSysex(bytes, options.matrix6);
        if (options.json)
            infoJson(file, report, json);
        else
            infoText(file, report, out);
        problem = report.problem();
    }
    if (!problem.empty())
        err << file << ": " << problem << '\n';
    return problem.empty();
}

} // namespace

int runInfo(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.empty()) {
        err << "velmora-syx info: name at least one file\n";
        return kExitUsage;
    }
    int exit = kExitOk;
    JsonWriter json(out);
    if (options.json)
        json.beginObject().key("files").beginArray();
    for (const std::string& file : options.files) {
        const auto bytes = readFileBytes(file);
        if (!bytes.ok()) {
            err << file << ": " << bytes.error << '\n';
            if (options.json)
                json.beginObject().field("file", file).field("error", bytes.error).endObject();
            exit = kExitBadData;
            continue;
        }
        if (!infoOne(options, file, bytes.value, json, out, err))
            exit = kExitBadData;
    }
    if (options.json) {
        json.endArray().endObject();
        out << '\n';
    }
    return exit;
}

int runSyx(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
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
            if (i + 1 >= args.size() || !parseNumber(args[i + 1], target) || target < 0) {
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
        return runInfo(options, out, err);
    if (command == "show")
        return runShow(options, out, err);
    if (command == "convert")
        return runConvert(options, out, err);
    err << "velmora-syx: unknown command " << command << "\n" << kUsage;
    return kExitUsage;
}

} // namespace velmora::syx
