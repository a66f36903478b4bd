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
    "       velmora-syx ports [--json]\n"
    "       velmora-syx backup --in PORT --out PORT [--model 1000|6] FILE\n"
    "       velmora-syx restore --out PORT [--bank 0|1] [--model 1000|6] FILE\n"
    "       velmora-syx get --in PORT --out PORT [--model 1000|6] [--number N] FILE\n"
    "       velmora-syx put --out PORT [--model 1000|6] --number N FILE\n"
    "\n"
    "  info     lists every SysEx message in the files: kind, opcode, number, name, checksum\n"
    "  show     shows every field of one patch (.syx, .vmp or .vmb)\n"
    "  convert  turns a raw patch (.vmp) or bank (.vmb) into SysEx (.syx), and back\n"
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
    "  --number N       the patch number a converted .vmp carries in its message (0..99);\n"
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
        const FileReport report = InspectSysex(bytes.value, options.matrix6);
        if (options.json)
            InfoJson(file, report, json);
        else
            InfoText(file, report, out);
        if (const std::string problem = report.Problem(); !problem.empty()) {
            err << file << ": " << problem << '\n';
            exit = kExitBadData;
        }
    }
    if (options.json) {
        json.EndArray().EndObject();
        out << '\n';
    }
    return exit;
}

int RunConvert(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.size() != 2) {
        err << "velmora-syx convert: name the file to read and the file to write\n";
        return kExitUsage;
    }
    const std::string& in = options.files[0];
    const std::string& outFile = options.files[1];
    const FileType from = FileTypeOf(in);
    const FileType to = FileTypeOf(outFile);
    const bool rawToSysex =
        (from == FileType::RawPatch || from == FileType::RawBank) && to == FileType::Sysex;
    const bool sysexToRaw =
        from == FileType::Sysex && (to == FileType::RawPatch || to == FileType::RawBank);
    if (!rawToSysex && !sysexToRaw) {
        err << "velmora-syx convert: turns .vmp or .vmb into .syx, or .syx into .vmp or .vmb; "
               "cannot convert "
            << in << " to " << outFile << '\n';
        return kExitUsage;
    }
    if (options.number < 0 || options.number > 99) {
        err << "velmora-syx convert: --number takes a patch number from 0 to 99\n";
        return kExitUsage;
    }

    const auto bytes = ReadFileBytes(in);
    if (!bytes.ok()) {
        err << in << ": " << bytes.error << '\n';
        return kExitBadData;
    }
    Result<Bytes> converted;
    if (from == FileType::RawPatch) {
        auto patch = LoadPatch(bytes.value, from, 0);
        if (patch.ok())
            converted.value =
                RawPatchToSysex(patch.value.buffer, static_cast<Byte>(options.number));
        converted.error = patch.error;
    } else if (from == FileType::RawBank) {
        if (bytes.value.size() == kRawBankSize)
            converted.value = RawBankToSysex(
                std::span<const Byte, kRawBankSize>(bytes.value.data(), kRawBankSize));
        else
            converted.error = "is " + std::to_string(bytes.value.size()) +
                              " bytes; a raw bank file is 13500 bytes";
    } else if (to == FileType::RawPatch) {
        converted = SysexToRawPatch(bytes.value, static_cast<std::size_t>(options.index),
                                    options.ignoreChecksum);
    } else {
        converted = SysexToRawBank(bytes.value, options.ignoreChecksum);
    }
    if (!converted.ok()) {
        err << in << ": " << converted.error << "; " << outFile << " was not written\n";
        return kExitBadData;
    }
    if (const std::string error = WriteFileAtomically(outFile, converted.value); !error.empty()) {
        err << outFile << ": " << error << '\n';
        return kExitBadData;
    }
    out << "wrote " << outFile << " (" << converted.value.size() << " bytes)\n";
    return kExitOk;
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
        } else if (arg == "--index" || arg == "--number") {
            long& target = arg == "--index" ? options.index : options.number;
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
