#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTableWidget;

// Lists the backups of a database (time, size, number of websites, newest
// first) and lets the user choose one. After exec() returns Accepted,
// chosen holds the backup's path.
class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    explicit RestoreDialog(const QString &databasePath, QWidget *parent = nullptr);

    QString chosen;

    QLabel *hint;
    QTableWidget *backupList;
    QPushButton *Cmd_OK;
    QPushButton *Cmd_Cancel;

private:
    void choose();
};
