// The questions the library window asks: which files or folder to import,
// where to export, a text to type, a yes or no. The platform's dialogs in
// the program; tests give their own answers.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

namespace velmora::collection {

class LibraryDialogs
{
public:
    virtual ~LibraryDialogs() = default;
    // Files to import; none after Cancel.
    virtual QStringList importFiles(const QString& folder) = 0;
    // A folder to import (with its subfolders); "" after Cancel.
    virtual QString importFolder(const QString& folder) = 0;
    // The folder single patch files are written into; "" after Cancel.
    virtual QString exportFolder(const QString& folder) = 0;
    // The bank file to write; "" after Cancel.
    virtual QString exportBankFile(const QString& folder) = 0;
    // A line of text (a name, tags, a comment); nothing after Cancel.
    virtual std::optional<QString> askText(const QString& caption, const QString& label,
                                           const QString& text) = 0;
    virtual bool askYesNo(const QString& question) = 0;
    virtual void inform(const QString& text) = 0;
};

std::unique_ptr<LibraryDialogs> createPlatformLibraryDialogs(QWidget* parent);

} // namespace velmora::collection
