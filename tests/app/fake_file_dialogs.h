#pragma once

#include "app/file_dialogs.h"

#include <QList>

#include <optional>

// Answers the protocol's file dialogs as the test says, and keeps what each was asked.
class FakeFileDialogs : public FileDialogs {
public:
    std::optional<FileDialogAnswer> saveAnswer;
    std::optional<FileDialogAnswer> openAnswer;
    QList<FileDialogRequest> saveRequests;
    QList<FileDialogRequest> openRequests;

    std::optional<FileDialogAnswer> save(QWidget*, const FileDialogRequest& request) override {
        saveRequests.append(request);
        return saveAnswer;
    }
    std::optional<FileDialogAnswer> open(QWidget*, const FileDialogRequest& request) override {
        openRequests.append(request);
        return openAnswer;
    }
};
