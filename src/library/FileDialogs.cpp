#include "library/FileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace velmora::library {
namespace {

class PlatformFileDialogs final : public FileDialogs
{
public:
    explicit PlatformFileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<FileChoice> open(const FileRequest& request) override
    {
        return run(request, QFileDialog::AcceptOpen);
    }

    std::optional<FileChoice> save(const FileRequest& request) override
    {
        return run(request, QFileDialog::AcceptSave);
    }

    bool confirmReplace(const QString& path) override
    {
        return QMessageBox::question(
                   parent_, QCoreApplication::translate("FileDialogs", "Confirm Save As"),
                   QCoreApplication::translate("FileDialogs",
                                               "%1 already exists.\nDo you want to replace it?")
                       .arg(QDir::toNativeSeparators(path))) == QMessageBox::Yes;
    }

    BadChecksumAnswer askBadChecksums(const QString& question) override
    {
        QMessageBox box(QMessageBox::Warning,
                        QCoreApplication::translate("FileDialogs", "Bad Checksum"), question,
                        QMessageBox::NoButton, parent_);
        const QAbstractButton* keep = box.addButton(
            QCoreApplication::translate("FileDialogs", "Keep"), QMessageBox::AcceptRole);
        const QAbstractButton* drop = box.addButton(
            QCoreApplication::translate("FileDialogs", "Drop"), QMessageBox::DestructiveRole);
        box.setDefaultButton(box.addButton(QMessageBox::Cancel));
        box.exec();
        if (box.clickedButton() == keep)
            return BadChecksumAnswer::Keep;
        return box.clickedButton() == drop ? BadChecksumAnswer::Drop : BadChecksumAnswer::Cancel;
    }

    std::optional<int> choose(const QString& question, const QStringList& choices) override
    {
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(parent_, QCoreApplication::translate("FileDialogs", "Velmora"),
                                  question, choices, 0, false, &ok);
        if (!ok || !choices.contains(chosen))
            return std::nullopt;
        return int(choices.indexOf(chosen));
    }

    bool askYesNo(const QString& question) override
    {
        return QMessageBox::question(parent_, QCoreApplication::translate("FileDialogs", "Velmora"),
                                     question) == QMessageBox::Yes;
    }

    void inform(const QString& text) override
    {
        QMessageBox::information(parent_, QCoreApplication::translate("FileDialogs", "Velmora"),
                                 text);
    }

private:
    std::optional<FileChoice> run(const FileRequest& request, QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(parent_, request.caption, request.folder);
        dialog.setAcceptMode(mode);
        // Saving asks before replacing a file (the dialog's default).
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        const QStringList filters = request.filters.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
        dialog.setNameFilters(filters);
        if (!filters.isEmpty())
            dialog.selectNameFilter(
                filters.at(std::clamp(request.filterIndex, 0, int(filters.size()) - 1)));
        if (!request.defaultSuffix.isEmpty())
            dialog.setDefaultSuffix(request.defaultSuffix);
        // "*.syx" as a proposed name only says what to list; the filter does that.
        if (!request.fileName.isEmpty() && !request.fileName.contains(QLatin1Char('*')))
            dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return FileChoice{dialog.selectedFiles().constFirst(),
                          std::max(0, int(filters.indexOf(dialog.selectedNameFilter())))};
    }

    QPointer<QWidget> parent_;
};

} // namespace

std::unique_ptr<FileDialogs> createPlatformFileDialogs(QWidget* parent)
{
    return std::make_unique<PlatformFileDialogs>(parent);
}

} // namespace velmora::library
