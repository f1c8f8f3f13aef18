#include "accounts/UserManager.h"

#include "accounts/Account.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "core/Twips.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool isAdmin(const QString &name) { return name.trimmed().compare(QLatin1String("admin"), Qt::CaseInsensitive) == 0; }

QLineEdit *makeBox(const QString &name, const QString &label, bool password, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(label);
    box->setMaxLength(20); // as the login window and the account dialog take them
    if (password)
        box->setEchoMode(QLineEdit::Password);
    return box;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace

bool UserManager::allowed() { return isAdmin(currentUser().userName()); }

UserManager::UserManager(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UserManager"));
    setWindowTitle(QStringLiteral("用户管理"));
    setAttribute(Qt::WA_DeleteOnClose);

    lstUsers = new QListWidget(this);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->setAccessibleName(QStringLiteral("帐号"));
    txtUserName = makeBox(QStringLiteral("txtUserName"), QStringLiteral("用户名"), false, this);
    txtPass = makeBox(QStringLiteral("txtPass"), QStringLiteral("密码"), true, this);
    txtPass2 = makeBox(QStringLiteral("txtPass2"), QStringLiteral("确认密码"), true, this);
    Cmd_Add = makeButton(QStringLiteral("Cmd_Add"), QStringLiteral("添 加"), this);
    Cmd_Delete = makeButton(QStringLiteral("Cmd_Delete"), QStringLiteral("删 除"), this);
    Cmd_Close = makeButton(QStringLiteral("Cmd_Close"), QStringLiteral("关 闭"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("用户名"), txtUserName);
    form->addRow(QStringLiteral("密码"), txtPass);
    form->addRow(QStringLiteral("确认密码"), txtPass2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Cmd_Add);
    buttons->addWidget(Cmd_Delete);
    buttons->addStretch();
    buttons->addWidget(Cmd_Close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("帐号"), this));
    layout->addWidget(lstUsers);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(Twips::toPixels(5000), Twips::toPixels(5400));

    connect(Cmd_Add, &QPushButton::clicked, this, &UserManager::addUser);
    connect(Cmd_Delete, &QPushButton::clicked, this, &UserManager::deleteUser);
    connect(Cmd_Close, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

void UserManager::reload()
{
    lstUsers->clear();
    const auto rs = Database::query(QStringLiteral("SELECT UserName FROM Users ORDER BY UserName"));
    for (int row = 0; row < rs->recordCount(); ++row)
        lstUsers->addItem(rs->valueAt(row, 0).toString().trimmed());
}

void UserManager::addUser()
{
    const QString name = txtUserName->text().trimmed();
    if (name.isEmpty()) {
        MessageBox::show(QStringLiteral("请输入用户名"));
        txtUserName->setFocus();
        return;
    }
    if (txtPass->text().size() < 6) {
        MessageBox::show(QStringLiteral("密码长度不能小于6"));
        txtPass->setFocus();
        return;
    }
    if (txtPass->text() != txtPass2->text()) {
        MessageBox::show(QStringLiteral("密码和确认密码不相同，请重新确认"));
        txtPass2->setFocus();
        return;
    }
    Account user;
    if (user.exists(name)) {
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        txtUserName->setFocus();
        txtUserName->selectAll();
        return;
    }
    user.setUserName(name);
    user.setUserPwd(txtPass->text());
    try {
        user.insert();
    } catch (const db::DbError &e) {
        // Taken meanwhile by another worker.
        if (e.kind() != db::DbError::UniqueViolation)
            throw;
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        txtUserName->setFocus();
        return;
    }
    MessageBox::show(QStringLiteral("添加成功"));
    txtUserName->clear();
    txtPass->clear();
    txtPass2->clear();
    reload();
}

void UserManager::deleteUser()
{
    // The selection, not the focus row: an account is removed only when picked.
    const QList<QListWidgetItem *> picked = lstUsers->selectedItems();
    if (picked.isEmpty()) {
        MessageBox::show(QStringLiteral("请选择用户"));
        return;
    }
    const QString name = picked.first()->text();
    if (isAdmin(name)) {
        MessageBox::show(QStringLiteral("admin 帐号不能删除"));
        return;
    }
    if (name.compare(currentUser().userName().trimmed(), Qt::CaseInsensitive) == 0) {
        MessageBox::show(QStringLiteral("不能删除正在使用的帐号"));
        return;
    }
    if (MessageBox::show(QStringLiteral("是否删除用户 %1?").arg(name), MessageBox::YesNo, MessageBox::NoIcon,
                         QStringLiteral("确认"))
        != MessageBox::Yes)
        return;
    Account().remove(name);
    MessageBox::show(Database::rowsAffected() > 0 ? QStringLiteral("删除成功") : QStringLiteral("该用户已不存在"));
    reload();
}
