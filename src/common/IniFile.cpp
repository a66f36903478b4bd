#include "common/IniFile.h"

#include "common/SaveFile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace velmora {
namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text of bytes that are UTF-8, or nothing.
std::optional<QString> fromUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

} // namespace

bool IniFile::load(const QString& path, QString* error)
{
    sections_.clear();
    loaded_ = false;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    parse(file.readAll());
    return true;
}

void IniFile::parse(const QByteArray& file)
{
    sections_.clear();
    // Files written on Windows are in its 8-bit code page; ours are UTF-8.
    // Whatever the file is in, it is written back in the same where that
    // keeps its text (bytes()), so values the program does not read come out
    // as they went in.
    const std::optional<QString> utf8 = fromUtf8(file);
    latin1_ = !utf8;
    const QString text = utf8 ? *utf8 : QString::fromLatin1(file);
    sections_.push_back({});
    for (QStringView view : QStringView(text).split(u'\n')) {
        // CR LF ends, and the CR CR LF of a file whose ends were converted
        // twice: a line kept as it stands must not carry a CR into the next
        // save, where it would read as another line end.
        while (view.endsWith(u'\r'))
            view.chop(1);
        const QString line = view.toString();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            sections_.push_back({trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
            continue;
        }
        // A line with nothing before its "=" is no key: kept whole, so it
        // cannot turn into one on the next read.
        const qsizetype equals = line.indexOf(u'=');
        const QString key = line.left(std::max<qsizetype>(equals, 0)).trimmed();
        if (!key.isEmpty() && !trimmed.startsWith(u';'))
            sections_.back().lines.push_back({key, line.mid(equals + 1).trimmed()});
        else if (!trimmed.isEmpty())
            sections_.back().lines.push_back({{}, line});
    }
    loaded_ = true;
}

QByteArray IniFile::bytes() const
{
    QString out;
    // A blank line between sections, as the profile functions write them.
    bool afterSection = false;
    for (const Section& section : sections_) {
        // Every section has its header, a nameless one ("[]" in the file)
        // too, or its lines would join the section before; only the lines
        // before any header have none.
        if (&section != &sections_.front() || !section.name.isEmpty()) {
            if (afterSection)
                out += u'\n';
            out += u'[' + section.name + QStringLiteral("]\n");
            afterSection = true;
        }
        for (const Line& line : section.lines)
            out += (line.key.isEmpty() ? line.text : line.key + u'=' + line.text) + u'\n';
    }
    // Back in the code page only when that reads as this text again: a
    // letter the code page lacks (a device name, say) or 8-bit text that
    // reads as UTF-8 (the bytes that told otherwise were blanks, trimmed
    // away) would come back as other letters. Such a file becomes UTF-8.
    if (latin1_) {
        const QByteArray latin1 = out.toLatin1();
        const std::optional<QString> utf8 = fromUtf8(latin1);
        if (!utf8 ? QString::fromLatin1(latin1) == out : *utf8 == out)
            return latin1;
    }
    return out.toUtf8();
}

bool IniFile::save(const QString& path, QString* error) const
{
    if (const auto reason = saveWholeFile(path, bytes())) {
        if (error)
            *error = *reason;
        return false;
    }
    return true;
}

const IniFile::Line* IniFile::find(const QString& section, const QString& key) const
{
    for (const Section& s : sections_) {
        if (!sameName(s.name, section))
            continue;
        for (const Line& line : s.lines)
            if (!line.key.isEmpty() && sameName(line.key, key))
                return &line;
    }
    return nullptr;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    return find(section, key) != nullptr;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const
{
    const Line* line = find(section, key);
    return line ? line->text : fallback;
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const QString text = readString(section, key, {}).trimmed();
    bool ok = false;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const int value = hex ? static_cast<int>(text.mid(2).toUInt(&ok, 16)) : text.toInt(&ok, 10);
    return ok ? value : fallback;
}

bool IniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    for (const Section& s : sections_)
        if (!s.name.isEmpty())
            names << s.name;
    return names;
}

bool IniFile::eraseSection(const QString& name)
{
    const auto found = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) {
        return !s.name.isEmpty() && sameName(s.name, name);
    });
    if (found == sections_.end())
        return false;
    sections_.erase(found);
    return true;
}

IniFile::Section& IniFile::sectionNamed(const QString& name)
{
    for (Section& s : sections_)
        if (!s.name.isEmpty() && sameName(s.name, name))
            return s;
    sections_.push_back({name, {}});
    return sections_.back();
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionNamed(section);
    for (Line& line : s.lines) {
        if (!line.key.isEmpty() && sameName(line.key, key)) {
            line.text = value;
            return;
        }
    }
    s.lines.push_back({key, value});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace velmora
