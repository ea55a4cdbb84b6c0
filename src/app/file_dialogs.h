// The protocol's open and save dialogs behind an interface, so that tests answer them
// without a window.

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// What a protocol file dialog starts with.
struct FileDialogRequest {
    QString folder;             // where it opens
    QString fileName;           // proposed name, without a folder; empty for none
    QStringList nameFilters;    // such as "Text file (*.txt)", in the order shown
    QString selectedNameFilter; // one of nameFilters
    QString defaultSuffix;      // added to a typed name without an extension
};

// The file the user chose and the file type selected with it.
struct FileDialogAnswer {
    QString filePath;
    QString nameFilter;
};

// The protocol's save and open dialogs. Each call shows a modal dialog and returns the
// choice, or nothing when it was cancelled. An interface so that tests answer without a
// dialog. GUI thread only.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<FileDialogAnswer> save(QWidget* parent, const FileDialogRequest& request) = 0;
    // Only an existing file can be chosen.
    virtual std::optional<FileDialogAnswer> open(QWidget* parent, const FileDialogRequest& request) = 0;
};

// QFileDialog, Qt's own widget rather than the desktop's, so it looks and behaves the same
// on every desktop. The default suffix follows the selected file type.
class QtFileDialogs : public FileDialogs {
public:
    std::optional<FileDialogAnswer> save(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<FileDialogAnswer> open(QWidget* parent, const FileDialogRequest& request) override;
};
