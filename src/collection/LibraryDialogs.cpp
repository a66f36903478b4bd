#include "collection/LibraryDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace velmora::collection {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PatchLibraryWindow", text);
}

class PlatformDialogs : public LibraryDialogs
{
public:
    explicit PlatformDialogs(QWidget* parent) : parent_(parent) {}

    QStringList importFiles(const QString& folder) override
    {
        return QFileDialog::getOpenFileNames(
            parent_, tr("Import Files"), folder,
            tr("Patch and bank files (*.syx *.mid *.vmp *.vmb);;All files (*)"));
    }
    QString importFolder(const QString& folder) override
    {
        return QFileDialog::getExistingDirectory(parent_, tr("Import Folder"), folder);
    }
    QString exportFolder(const QString& folder) override
    {
        return QFileDialog::getExistingDirectory(parent_, tr("Export as Patch Files"), folder);
    }
    QString exportBankFile(const QString& folder) override
    {
        QFileDialog dialog(parent_, tr("Export as Bank File"), folder, tr("SysEx File (*.syx)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("syx"));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    }
    std::optional<QString> askText(const QString& caption, const QString& label,
                                   const QString& text) override
    {
        bool ok = false;
        const QString typed =
            QInputDialog::getText(parent_, caption, label, QLineEdit::Normal, text, &ok);
        return ok ? std::optional<QString>(typed) : std::nullopt;
    }
    bool askYesNo(const QString& question) override
    {
        return QMessageBox::question(parent_, tr("Patch Library"), question) == QMessageBox::Yes;
    }
    void inform(const QString& text) override
    {
        QMessageBox::information(parent_, tr("Patch Library"), text);
    }

private:
    QWidget* parent_;
};

} // namespace

std::unique_ptr<LibraryDialogs> createPlatformLibraryDialogs(QWidget* parent)
{
    return std::make_unique<PlatformDialogs>(parent);
}

} // namespace velmora::collection
