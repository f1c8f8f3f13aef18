#include "accounts/AccountDialog.h"

#include "accounts/Users.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"

#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// Names are matched by the database without regard to ASCII letter case;
// this folds the same way, so that renaming an account to another spelling
// of its own name is not mistaken for taking someone else's.
bool sameStoredName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a.at(i), y = b.at(i);
        if (x.unicode() < 128)
            x = x.toLower();
        if (y.unicode() < 128)
            y = y.toLower();
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

AccountDialog::AccountDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmUserEdit"));
    setWindowTitle(QStringLiteral("编辑用户信息"));
    setFixedSize(Twips::toPixels(4470), Twips::toPixels(2220));
    setModal(true);

    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(twipsRect(240, 120, 3975, 1455));

    const QFont labelFont(QStringLiteral("宋体"), 9);
    const auto caption = [&](const char *name, const QString &text, int left, int top, int width, int height) {
        QLabel *label = ui::label(frame, QLatin1String(name), text);
        label->setFont(labelFont);
        ui::place(label, left, top, width, height);
        return label;
    };
    userNameLabel = caption("Label1", QStringLiteral("用户名"), 240, 240, 540, 180);
    passwordLabel = caption("Label2", QStringLiteral("密码"), 240, 630, 360, 180);
    confirmLabel = caption("Label3", QStringLiteral("确认密码"), 240, 1035, 720, 180);
    userNameBox = ui::boxFor(frame, QStringLiteral("txtUserName"), userNameLabel);
    passwordBox = ui::boxFor(frame, QStringLiteral("txtPass"), passwordLabel);
    confirmBox = ui::boxFor(frame, QStringLiteral("txtPass2"), confirmLabel);
    ui::place(userNameBox, 1560, 240, 2175, 270);
    ui::place(passwordBox, 1560, 585, 2175, 270);
    ui::place(confirmBox, 1560, 990, 2175, 270);
    for (QLineEdit *box : {userNameBox, passwordBox, confirmBox})
        box->setMaxLength(20);
    passwordBox->setEchoMode(QLineEdit::Password);
    confirmBox->setEchoMode(QLineEdit::Password);

    okButton = ui::button(this, QStringLiteral("Cmd_Ok"), QStringLiteral("确 定"));
    cancelButton = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"));
    ui::place(okButton, 780, 1680, 1305, 405);
    ui::place(cancelButton, 2385, 1680, 1305, 405);
    okButton->setCursor(Qt::PointingHandCursor);
    cancelButton->setCursor(Qt::PointingHandCursor);

    setTabOrder(userNameBox, passwordBox);
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
    if (passwordBox->text().size() < 6) {
        MessageBox::show(QStringLiteral("密码长度不能小于6"));
        passwordBox->setFocus();
        passwordBox->selectAll();
        return;
    }
    if (passwordBox->text() != confirmBox->text()) {
        MessageBox::show(QStringLiteral("密码和确认密码不相同，请重新确认"));
        confirmBox->setFocus();
        confirmBox->selectAll();
        return;
    }

    Users &login = LoginUser();
    // An update would otherwise leave two accounts with one name, and the
    // next login could find either of them.
    if (!sameStoredName(newName, originalUserName.trimmed()) && login.exists(newName)) {
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        userNameBox->setFocus();
        userNameBox->selectAll();
        return;
    }
    // Saying "done" when the account has gone (removed behind our back)
    // would be a failure reported as success.
    if (!login.exists(originalUserName)) {
        MessageBox::show(QStringLiteral("该用户已不存在，修改未保存"));
        return;
    }

    login.setUserName(newName);
    login.setUserPwd(passwordBox->text().trimmed());
    login.update(originalUserName);

    // The logged-in account must hold what is stored, the password included,
    // or the next opening would show and write back the old password.
    Users &current = CurUser();
    if (current.UserName() == originalUserName)
        current.load(newName);

    MessageBox::show(QStringLiteral("修改成功"));
    accept();
}
