#include "app/form_main.h"

#include "platform/app_names.h"

#include <QCoreApplication>

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    const AppNames names = appNamesFor(QCoreApplication::applicationFilePath());
    setWindowTitle(QStringLiteral("2.1 ") + names.baseName);
    setMinimumSize(850, 572);
    resize(850, 572);
}
