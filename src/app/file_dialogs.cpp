// The protocol's file dialogs as Qt's own QFileDialog, the default extension following the
// file type the official selects.

#include "app/file_dialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {

// "txt" of "Text file (*.txt)"; empty when the type has no plain extension.
QString suffixOf(const QString& nameFilter, const QString& fallback) {
    static const QRegularExpression firstPattern(QStringLiteral("\\(\\*\\.([^ ;)*]+)"));
    const QRegularExpressionMatch match = firstPattern.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : fallback;
}

std::optional<FileDialogAnswer> run(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(request.folder);
    dialog.setNameFilters(request.nameFilters);
    dialog.selectNameFilter(request.selectedNameFilter);
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter(), request.defaultSuffix));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& filter) {
        dialog.setDefaultSuffix(suffixOf(filter, request.defaultSuffix));
    });
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogAnswer{dialog.selectedFiles().constFirst(), dialog.selectedNameFilter()};
}

} // namespace

std::optional<FileDialogAnswer> QtFileDialogs::save(QWidget* parent, const FileDialogRequest& request) {
    return run(parent, request, QFileDialog::AcceptSave);
}

std::optional<FileDialogAnswer> QtFileDialogs::open(QWidget* parent, const FileDialogRequest& request) {
    return run(parent, request, QFileDialog::AcceptOpen);
}
