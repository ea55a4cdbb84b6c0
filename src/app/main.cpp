#include "app/form_main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TFormMain formMain;
    formMain.show();
    return app.exec();
}
