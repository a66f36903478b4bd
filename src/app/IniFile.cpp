#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace velmora {
namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

bool IniFile::Load(const QString& path, QString* error)
{
    sections_.clear();
    loaded_ = false;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    sections_.push_back({});
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[') && trimmed.endsWith(u']')) {
            sections_.push_back({trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !trimmed.startsWith(u';'))
            sections_.back().lines.push_back(
                {line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
        else if (!trimmed.isEmpty())
            sections_.back().lines.push_back({{}, line});
    }
    loaded_ = true;
    return true;
}

bool IniFile::Save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream out(&file);
    // A blank line between sections, as the profile functions write them.
    bool afterSection = false;
    for (const Section& section : sections_) {
        if (!section.name.isEmpty()) {
            if (afterSection)
                out << '\n';
            out << '[' << section.name << "]\n";
            afterSection = true;
        }
        for (const Line& line : section.lines)
            out << (line.key.isEmpty() ? line.text : line.key + u'=' + line.text) << '\n';
    }
    out.flush();
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

const IniFile::Line* IniFile::Find(const QString& section, const QString& key) const
{
    for (const Section& s : sections_) {
        if (!SameName(s.name, section))
            continue;
        for (const Line& line : s.lines)
            if (!line.key.isEmpty() && SameName(line.key, key))
                return &line;
    }
    return nullptr;
}

bool IniFile::HasKey(const QString& section, const QString& key) const
{
    return Find(section, key) != nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& fallback) const
{
    const Line* line = Find(section, key);
    return line ? line->text : fallback;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int fallback) const
{
    bool ok = false;
    const int value = ReadString(section, key, {}).toInt(&ok);
    return ok ? value : fallback;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

IniFile::Section& IniFile::SectionNamed(const QString& name)
{
    for (Section& s : sections_)
        if (!s.name.isEmpty() && SameName(s.name, name))
            return s;
    sections_.push_back({name, {}});
    return sections_.back();
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    Section& s = SectionNamed(section);
    for (Line& line : s.lines) {
        if (!line.key.isEmpty() && SameName(line.key, key)) {
            line.text = value;
            return;
        }
    }
    s.lines.push_back({key, value});
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace velmora
