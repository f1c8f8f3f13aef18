// The main window's commands: search, the toolbar and the 系统管理 menu
// (account, user manager, backup, restore, exit). The window itself is
// built in MainWindow.cpp.
#include "catalogue/MainWindow.h"

#include "accounts/AccountDialog.h"
#include "accounts/UserManager.h"
#include "accounts/Account.h"
#include "catalogue/RestoreDialog.h"
#include "catalogue/SearchPanel.h"
#include "catalogue/Website.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/CatalogueCommands.h"
#include "catalogue/WebsiteDetails.h"
#include "core/BackupGuard.h"
#include "core/Backups.h"
#include "core/Database.h"
#include "core/InputText.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"

#include <QApplication>
#include <QDir>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

void MainWindow::onSearch()
{
    Database::showStatus(QStringLiteral("搜索"));
    if (!InputText::acceptable(search->textBox->text(), QStringLiteral("内容"), search->textBox))
        return;
    const QString query = WebsiteBrowser::ListSelect + QStringLiteral(" FROM Website  where ") + search->condition()
                        + QStringLiteral(" order by webid");
    db::DataControl &list = browser->websiteList;
    const QString previous = list.recordSource();
    try {
        browser->load(query);
        bindListAndDetails();
    } catch (const db::DbError &) {
        // Put back the list the user had rather than leave a closed result
        // behind; when even that fails the list is shown empty.
        list.setRecordSource(previous);
        try {
            list.refresh();
        } catch (const db::DbError &) {
            list.recordset().close();
        }
        bindListAndDetails();
        MessageBox::show(QStringLiteral("没有符合条件的记录！"), MessageBox::OkOnly, MessageBox::Exclamation,
                         QStringLiteral("确认"));
    }
}

// ---- toolbar and menus ----

void MainWindow::onToolbarAction(QAction *action)
{
    if (action == viewNotesAction) {
        Database::showStatus(QStringLiteral("查看/管理该网站详细记录"));
        commands->openNotes();
    } else if (action == addWebsiteAction) {
        Database::showStatus(QStringLiteral("填加记录"));
        commands->addWebsite();
    } else if (action == modifyWebsiteAction) {
        Database::showStatus(QStringLiteral("修改记录"));
        commands->modifyWebsite();
    } else if (action == deleteWebsiteAction) {
        Database::showStatus(QStringLiteral("删除关于该站点的笔记"));
        commands->deleteWebsite();
    } else if (action == refreshAction) {
        loadWebsiteList();
        Database::showStatus(QStringLiteral("刷新显示"));
    }
}

void MainWindow::onUserManager()
{
    if (!UserManager::allowed()) {
        MessageBox::show(QStringLiteral("只有 admin 可以管理帐号"));
        return;
    }
    auto *dialog = new UserManager(this);
    dialog->exec();
}

void MainWindow::onAccount()
{
    AccountDialog *dialog = Forms::get<AccountDialog>();
    dialog->originalUserName = currentUser().userName();
    dialog->userNameBox->setText(currentUser().userName());
    // The stored password is a hash and is never shown: the boxes start empty.
    dialog->currentPasswordBox->clear();
    dialog->passwordBox->clear();
    dialog->confirmBox->clear();
    dialog->userNameBox->setEnabled(true);
    dialog->exec();
}

void MainWindow::onBackup()
{
    if (Database::onServer()) {
        MessageBox::show(Database::serverBackupNotice());
        return;
    }
    QString error;
    const QString made = Backups::make(BackupGuard::databasePath(), Backups::ByHand, &error);
    if (made.isEmpty())
        MessageBox::show(QStringLiteral("备份数据库失败：%1").arg(error), MessageBox::OkOnly, MessageBox::Exclamation);
    else
        MessageBox::show(QStringLiteral("备份成功：%1").arg(QDir::toNativeSeparators(made)));
}

void MainWindow::onRestore()
{
    if (Database::onServer()) {
        MessageBox::show(Database::serverBackupNotice());
        return;
    }
    const QString database = BackupGuard::databasePath();
    RestoreDialog dialog(database, this);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen.isEmpty())
        return;
    if (MessageBox::show(QStringLiteral("用所选备份替换当前数据库？当前数据库会先备份，然后回到登录窗口。"),
                         MessageBox::YesNo, MessageBox::Question, QStringLiteral("确认"), MessageBox::No)
        != MessageBox::Yes)
        return;

    // Every window over the file closes first, and with them every
    // connection to it: the file is then replaced under nobody's feet.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) {
            MessageBox::show(QStringLiteral("请先关闭其他窗口，再恢复数据库。"));
            return;
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    browser->websiteList.connection().close();
    Database::resetConnection();

    QString saved;
    try {
        saved = Backups::restore(dialog.chosen, database);
    } catch (const Failure &e) {
        MessageBox::show(e.message(), MessageBox::OkOnly, MessageBox::Exclamation);
        loadWebsiteList();
        return;
    }
    MessageBox::show(QStringLiteral("数据库已恢复。恢复前的数据库已备份为 %1。请重新登录。")
                         .arg(QDir::toNativeSeparators(saved)));
    loginUser().clear();
    currentUser().clear();
    // The login window shows before this one closes, so that the program
    // never runs out of windows on the way.
    emit loginAgain();
    m_returningToLogin = true;
    close();
}

void MainWindow::onExit()
{
    Database::showStatus(QStringLiteral("关闭系统"));
    close();
}
