#include "accounts/AccountDialog.h"

#include "accounts/Account.h"
#include "core/InputText.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "core/NameCompare.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

AccountDialog::AccountDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmUserEdit"));
    setWindowTitle(QStringLiteral("编辑用户信息"));
    setFixedSize(Twips::toPixels(4470), Twips::toPixels(2610));
    setModal(true);

    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(twipsRect(240, 120, 3975, 1845));

    const QFont labelFont(QStringLiteral("宋体"), 9);
    const auto caption = [&](const char *name, const QString &text, int left, int top, int width, int height) {
        QLabel *label = ui::label(frame, QLatin1String(name), text);
        label->setFont(labelFont);
        ui::place(label, left, top, width, height);
        return label;
    };
    userNameLabel = caption("Label1", QStringLiteral("用户名"), 240, 240, 540, 180);
    currentPasswordLabel = caption("Label4", QStringLiteral("当前密码"), 240, 630, 720, 180);
    passwordLabel = caption("Label2", QStringLiteral("密码"), 240, 1020, 360, 180);
    confirmLabel = caption("Label3", QStringLiteral("确认密码"), 240, 1425, 720, 180);
    userNameBox = ui::boxFor(frame, QStringLiteral("txtUserName"), userNameLabel);
    currentPasswordBox = ui::boxFor(frame, QStringLiteral("txtOldPass"), currentPasswordLabel);
    passwordBox = ui::boxFor(frame, QStringLiteral("txtPass"), passwordLabel);
    confirmBox = ui::boxFor(frame, QStringLiteral("txtPass2"), confirmLabel);
    ui::place(userNameBox, 1560, 240, 2175, 270);
    ui::place(currentPasswordBox, 1560, 585, 2175, 270);
    ui::place(passwordBox, 1560, 975, 2175, 270);
    ui::place(confirmBox, 1560, 1380, 2175, 270);
    for (QLineEdit *box : {userNameBox, currentPasswordBox, passwordBox, confirmBox})
        box->setMaxLength(20);
    for (QLineEdit *box : {currentPasswordBox, passwordBox, confirmBox})
        box->setEchoMode(QLineEdit::Password);
    currentPasswordBox->setToolTip(QStringLiteral("修改密码时输入当前密码；只改用户名时留空"));
    passwordBox->setToolTip(QStringLiteral("新密码，不少于6个字符；留空则不修改密码"));

    okButton = ui::button(this, QStringLiteral("Cmd_Ok"), QStringLiteral("确 定"));
    cancelButton = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"));
    ui::place(okButton, 780, 2070, 1305, 405);
    ui::place(cancelButton, 2385, 2070, 1305, 405);
    okButton->setCursor(Qt::PointingHandCursor);
    cancelButton->setCursor(Qt::PointingHandCursor);

    setTabOrder(userNameBox, currentPasswordBox);
    setTabOrder(currentPasswordBox, passwordBox);
    setTabOrder(passwordBox, confirmBox);
    setTabOrder(confirmBox, okButton);
    setTabOrder(okButton, cancelButton);
    userNameBox->setFocus();

    connect(okButton, &QPushButton::clicked, this, &AccountDialog::onOk);
    // Esc reaches QDialog::reject() as well, so both ways store nothing.
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void AccountDialog::onOk()
{
    const QString newName = userNameBox->text().trimmed();
    if (newName.isEmpty()) {
        MessageBox::show(QStringLiteral("请输入用户名"));
        userNameBox->setFocus();
        return;
    }
    if (!InputText::acceptable(userNameBox->text(), QStringLiteral("用户名"), userNameBox)
        || !InputText::acceptable(currentPasswordBox->text(), QStringLiteral("当前密码"), currentPasswordBox)
        || !InputText::acceptable(passwordBox->text(), QStringLiteral("密码"), passwordBox)
        || !InputText::acceptable(confirmBox->text(), QStringLiteral("确认密码"), confirmBox))
        return;
    // With every password box empty only the name changes. What is stored
    // is the trimmed text, so the length rule counts the trimmed text.
    const bool newPassword =
        !currentPasswordBox->text().isEmpty() || !passwordBox->text().isEmpty() || !confirmBox->text().isEmpty();
    if (newPassword && currentPasswordBox->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入当前密码"));
        currentPasswordBox->setFocus();
        return;
    }
    if (newPassword && passwordBox->text().trimmed().size() < 6) {
        MessageBox::show(QStringLiteral("密码长度不能小于6"));
        passwordBox->setFocus();
        passwordBox->selectAll();
        return;
    }
    if (newPassword && passwordBox->text() != confirmBox->text()) {
        MessageBox::show(QStringLiteral("密码和确认密码不相同，请重新确认"));
        confirmBox->setFocus();
        confirmBox->selectAll();
        return;
    }

    Account &login = loginUser();
    // An update would otherwise leave two accounts with one name, and the
    // next login could find either of them.
    // Renaming an account to another spelling of its own name (other letter
    // case, in any script) is not taking someone else's.
    if (!NameCompare::same(newName, originalUserName.trimmed()) && (login.exists(newName) || Account::isAdminName(newName))) {
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        userNameBox->setFocus();
        userNameBox->selectAll();
        return;
    }
    // The account named admin is the administrator: it keeps its name, and
    // no other account can take that name (above).
    if (Account::isAdminName(originalUserName) && newName != originalUserName.trimmed()) {
        MessageBox::show(QStringLiteral("admin 帐号不能改名"));
        userNameBox->setFocus();
        return;
    }
    // Saying "done" when the account has gone (removed behind our back)
    // would be a failure reported as success.
    if (!login.exists(originalUserName)) {
        MessageBox::show(QStringLiteral("该用户已不存在，修改未保存"));
        return;
    }

    Account stored;
    stored.load(originalUserName);
    if (newPassword && !stored.checkPassword(currentPasswordBox->text())) {
        MessageBox::show(QStringLiteral("当前密码错误"));
        currentPasswordBox->setFocus();
        currentPasswordBox->selectAll();
        return;
    }

    login.setUserName(newName);
    if (newPassword)
        login.setPassword(passwordBox->text());
    else
        login.setUserPwd(stored.userPwd());
    try {
        // No row changed: the account was deleted since the check above.
        if (login.update(originalUserName) == 0) {
            MessageBox::show(QStringLiteral("该用户已不存在，修改未保存"));
            return;
        }
    } catch (const db::DbError &e) {
        if (e.kind() != db::DbError::UniqueViolation)
            throw;
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        userNameBox->setFocus();
        return;
    }

    // The logged-in account must hold what is stored, the password included,
    // or the next opening would show and write back the old password.
    Account &current = currentUser();
    if (current.userName() == originalUserName)
        current.load(newName);

    MessageBox::show(QStringLiteral("修改成功"));
    accept();
}
