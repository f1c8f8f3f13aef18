#include "accounts/FrmUserEdit.h"

#include "accounts/Users.h"
#include "core/MessageBox.h"
#include "core/Twips.h"

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

FrmUserEdit::FrmUserEdit(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmUserEdit"));
    setWindowTitle(QStringLiteral("编辑用户信息"));
    setFixedSize(Twips::toPixels(4470), Twips::toPixels(2610));
    setModal(true);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(twipsRect(240, 120, 3975, 1845));

    const QFont labelFont(QStringLiteral("宋体"), 9);
    auto makeLabel = [&](const char *name, const QString &caption, QRect geometry) {
        auto *label = new QLabel(caption, Frame1);
        label->setObjectName(QLatin1String(name));
        label->setFont(labelFont);
        label->setGeometry(geometry);
        return label;
    };
    auto makeBox = [&](const char *name, QRect geometry, bool password) {
        auto *box = new QLineEdit(Frame1);
        box->setObjectName(QLatin1String(name));
        box->setMaxLength(20);
        box->setGeometry(geometry);
        if (password)
            box->setEchoMode(QLineEdit::Password);
        return box;
    };

    Label1 = makeLabel("Label1", QStringLiteral("用户名"), twipsRect(240, 240, 540, 180));
    txtUserName = makeBox("txtUserName", twipsRect(1560, 240, 2175, 270), false);
    Label4 = makeLabel("Label4", QStringLiteral("当前密码"), twipsRect(240, 630, 720, 180));
    txtOldPass = makeBox("txtOldPass", twipsRect(1560, 585, 2175, 270), true);
    Label2 = makeLabel("Label2", QStringLiteral("密码"), twipsRect(240, 1020, 360, 180));
    txtPass = makeBox("txtPass", twipsRect(1560, 975, 2175, 270), true);
    Label3 = makeLabel("Label3", QStringLiteral("确认密码"), twipsRect(240, 1425, 720, 180));
    txtPass2 = makeBox("txtPass2", twipsRect(1560, 1380, 2175, 270), true);
    txtOldPass->setToolTip(QStringLiteral("修改密码时输入当前密码；只改用户名时留空"));
    txtPass->setToolTip(QStringLiteral("新密码，不少于6个字符；留空则不修改密码"));

    Label1->setBuddy(txtUserName);
    Label4->setBuddy(txtOldPass);
    Label2->setBuddy(txtPass);
    Label3->setBuddy(txtPass2);
    txtUserName->setAccessibleName(Label1->text());
    txtOldPass->setAccessibleName(Label4->text());
    txtPass->setAccessibleName(Label2->text());
    txtPass2->setAccessibleName(Label3->text());

    auto makeButton = [&](const char *name, const QString &caption, QRect geometry) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setAccessibleName(caption);
        button->setGeometry(geometry);
        button->setCursor(Qt::PointingHandCursor);
        return button;
    };
    Cmd_Ok = makeButton("Cmd_Ok", QStringLiteral("确 定"), twipsRect(780, 2070, 1305, 405));
    Cmd_Cancel = makeButton("Cmd_Cancel", QStringLiteral("取 消"), twipsRect(2385, 2070, 1305, 405));

    setTabOrder(txtUserName, txtOldPass);
    setTabOrder(txtOldPass, txtPass);
    setTabOrder(txtPass, txtPass2);
    setTabOrder(txtPass2, Cmd_Ok);
    setTabOrder(Cmd_Ok, Cmd_Cancel);
    txtUserName->setFocus();

    connect(Cmd_Ok, &QPushButton::clicked, this, &FrmUserEdit::Cmd_Ok_Click);
    // Esc reaches QDialog::reject() as well, so both ways store nothing.
    connect(Cmd_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void FrmUserEdit::Cmd_Ok_Click()
{
    const QString newName = txtUserName->text().trimmed();
    if (newName.isEmpty()) {
        MessageBox::show(QStringLiteral("请输入用户名"));
        txtUserName->setFocus();
        return;
    }
    // With every password box empty only the name changes. What is stored
    // is the trimmed text, so the length rule counts the trimmed text.
    const bool newPassword = !txtOldPass->text().isEmpty() || !txtPass->text().isEmpty() || !txtPass2->text().isEmpty();
    if (newPassword && txtOldPass->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入当前密码"));
        txtOldPass->setFocus();
        return;
    }
    if (newPassword && txtPass->text().trimmed().size() < 6) {
        MessageBox::show(QStringLiteral("密码长度不能小于6"));
        txtPass->setFocus();
        txtPass->selectAll();
        return;
    }
    if (newPassword && txtPass->text() != txtPass2->text()) {
        MessageBox::show(QStringLiteral("密码和确认密码不相同，请重新确认"));
        txtPass2->setFocus();
        txtPass2->selectAll();
        return;
    }

    Users &login = LoginUser();
    // An update would otherwise leave two accounts with one name, and the
    // next login could find either of them.
    if (!sameStoredName(newName, OriUser.trimmed()) && login.In_DB(newName)) {
        MessageBox::show(QStringLiteral("用户名已经存在，请重新输入"));
        txtUserName->setFocus();
        txtUserName->selectAll();
        return;
    }
    // Saying "done" when the account has gone (removed behind our back)
    // would be a failure reported as success.
    if (!login.In_DB(OriUser)) {
        MessageBox::show(QStringLiteral("该用户已不存在，修改未保存"));
        return;
    }

    Users stored;
    stored.GetInfo(OriUser);
    if (newPassword && !stored.CheckPassword(txtOldPass->text())) {
        MessageBox::show(QStringLiteral("当前密码错误"));
        txtOldPass->setFocus();
        txtOldPass->selectAll();
        return;
    }

    login.setUserName(newName);
    if (newPassword)
        login.setPassword(txtPass->text());
    else
        login.setUserPwd(stored.UserPwd());
    login.Update(OriUser);

    // The logged-in account must hold what is stored, the password included,
    // or the next opening would show and write back the old password.
    Users &current = CurUser();
    if (current.UserName() == OriUser)
        current.GetInfo(newName);

    MessageBox::show(QStringLiteral("修改成功"));
    accept();
}
