#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

// 用户管理: the accounts of a team notebook, for admin only. Lists every
// account, adds one (name, password and its confirmation, checked as the
// account dialog checks them) and removes one; admin itself, and the account
// that is logged in, cannot be removed. Each worker changes their own
// password in the account dialog.
class UserManager : public QDialog {
    Q_OBJECT
public:
    explicit UserManager(QWidget *parent = nullptr);

    // Whether the logged-in account may open this window.
    static bool allowed();

    QListWidget *lstUsers;
    QLineEdit *txtUserName;
    QLineEdit *txtPass;
    QLineEdit *txtPass2;
    QPushButton *Cmd_Add;
    QPushButton *Cmd_Delete;
    QPushButton *Cmd_Close;

    // Reads the accounts again (another worker may have changed them).
    void reload();

private:
    void addUser();
    void deleteUser();
};
