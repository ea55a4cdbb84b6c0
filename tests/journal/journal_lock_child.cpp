// A second process that holds the journal file locked: opens the file given as the only
// argument, takes an exclusive write lock, answers "locked" and keeps the lock until a line
// (or the end) arrives on stdin.

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QString::fromLocal8Bit(argv[1]));
        if (!db.open())
            return 3;
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
            std::fprintf(stdout, "failed %s\n", qPrintable(query.lastError().text()));
            return 4;
        }
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        query.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    return 0;
}
