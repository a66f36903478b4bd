#include "library/FileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

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
