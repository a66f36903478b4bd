// An initialisation file with the behaviour of the Windows profile functions
// that the settings file was written for: section and key names compare
// without regard to case, values are kept as written, keys and lines the
// program does not know are kept, and keys are written in the order they
// were first set. A file that is no UTF-8 is taken to be in a Windows 8-bit
// code page and is written back in it, unless the text it would hold then
// reads back otherwise (see bytes()). Saving writes a temporary file and
// replaces the old one, so a failed save never leaves a half-written
// settings file.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace velmora {

class IniFile
{
public:
    // Reads the file; false with `error` set when it exists but cannot be
    // read. A missing file reads as empty (and `exists` says so).
    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;
    bool exists() const { return loaded_; }
    // What load does with the bytes of a file it found, and the bytes save
    // writes: UTF-8, or the file's 8-bit code page when the text reads back
    // the same from that.
    void parse(const QByteArray& file);
    QByteArray bytes() const;

    // The named sections in the order the file lists them.
    QStringList sectionNames() const;
    // Removes a section with all its keys; false when there is none.
    bool eraseSection(const QString& name);

    bool hasKey(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // A value that is no whole decimal number, nor hexadecimal after "0x",
    // reads as `fallback`.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // Any number but 0 is true.
    bool readBool(const QString& section, const QString& key, bool fallback) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

private:
    struct Line
    {
        QString key;  // empty for a line that is no "key=value" (a comment, say)
        QString text; // the value, or the whole line when `key` is empty
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
    };

    const Line* find(const QString& section, const QString& key) const;
    Section& sectionNamed(const QString& name);

    std::vector<Section> sections_; // the first one, unnamed, holds lines before any section
    bool loaded_ = false;
    bool latin1_ = false; // the file was no UTF-8: a Windows 8-bit code page
};

} // namespace velmora
