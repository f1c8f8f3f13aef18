#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Lets the logged-in user change the name and password of their own account.
// The caller sets OriUser and fills the name box, then calls exec(). The
// password boxes start empty: the name can be changed alone; a new password
// needs the current one, then the new one twice.
class FrmUserEdit : public QDialog {
    Q_OBJECT
public:
    explicit FrmUserEdit(QWidget *parent = nullptr);

    // The account's name as stored before editing.
    QString OriUser;

    QFrame *Frame1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLineEdit *txtUserName;
    QLineEdit *txtOldPass;
    QLineEdit *txtPass;
    QLineEdit *txtPass2;
    QPushButton *Cmd_Ok;
    QPushButton *Cmd_Cancel;

private slots:
    void Cmd_Ok_Click();
};
