#pragma once

#include "app/form_main_environment.h"
#include "protocol/backup_lock.h"

#include <QString>

#include <memory>

// The entry's first step: the lock on the backup that the program described by
// `environment` will write, taken before any window exists. GUI thread.

// The held lock, to be kept until the program ends; nothing when another running copy
// holds it, and this one must end without writing anything.
std::unique_ptr<BackupLock> lockProgramBackup(const FormMainEnvironment& environment);

// What the second copy tells the official before it ends.
QString programAlreadyRunsText(const QString& title);
