#include "catalogue/MainWindow.h"

#include "accounts/UserManager.h"
#include "accounts/Account.h"
#include "catalogue/DatePicker.h"
#include "catalogue/SearchPanel.h"
#include "catalogue/Website.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/CatalogueCommands.h"
#include "catalogue/WebsiteDetails.h"
#include "core/Database.h"
#include "core/DatabaseProblems.h"
#include "core/Startup.h"
#include "core/DateText.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "help/AboutBox.h"
#include "help/HelpBrowser.h"

#include <QApplication>
#include <algorithm>
#include <QDir>
#include <QFileInfo>
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

namespace {

const QString IdleText = QStringLiteral("待命状态...");

constexpr int DefaultHeight = 10300;
constexpr int DefaultWidth = 13000;

int settingOr(const QSettings &settings, const QString &key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Tavorin"));

    buildMenus();
    buildToolbar();
    buildStatusBar();
    buildWorkArea();
    loadWindow();
}

MainWindow::~MainWindow()
{
    // The status text has nowhere to go once this window is gone.
    Database::registerStatusPanel(nullptr);
}

void MainWindow::buildMenus()
{
    systemMenu = menuBar()->addMenu(QStringLiteral("系统管理(&S)"));
    systemMenu->setObjectName(QStringLiteral("system"));
    accountAction = systemMenu->addAction(QStringLiteral("帐号/密码(&N)"));
    accountAction->setObjectName(QStringLiteral("zhanghao"));
    backupAction = systemMenu->addAction(QStringLiteral("备份数据库(&B)"));
    backupAction->setObjectName(QStringLiteral("backupDatabase"));
    restoreAction = systemMenu->addAction(QStringLiteral("恢复数据库(&R)"));
    restoreAction->setObjectName(QStringLiteral("restoreDatabase"));
    userManagerAction = systemMenu->addAction(QStringLiteral("用户管理(&U)"));
    userManagerAction->setObjectName(QStringLiteral("yonghuguanli"));
    systemSeparator = systemMenu->addSeparator();
    systemSeparator->setObjectName(QStringLiteral("Line501"));
    exitAction = systemMenu->addAction(QStringLiteral("退出系统(&E)"));
    exitAction->setObjectName(QStringLiteral("tuichu"));

    dataMenu = menuBar()->addMenu(QStringLiteral("数据(&D)"));
    dataMenu->setObjectName(QStringLiteral("data"));
    exportWebsitesAction = dataMenu->addAction(QStringLiteral("导出网站列表…"));
    exportWebsitesAction->setObjectName(QStringLiteral("exportWebsites"));
    importNotesAction = dataMenu->addAction(QStringLiteral("导入优化记录…"));
    importNotesAction->setObjectName(QStringLiteral("importNotes"));
    clientReportAction = dataMenu->addAction(QStringLiteral("生成客户报告…"));
    clientReportAction->setObjectName(QStringLiteral("clientReport"));

    helpMenu = menuBar()->addMenu(QStringLiteral("帮助中心(&H)"));
    helpMenu->setObjectName(QStringLiteral("help"));
    instructionsAction = helpMenu->addAction(QStringLiteral("使用说明(&I)"));
    instructionsAction->setObjectName(QStringLiteral("shuoming"));
    helpSeparator = helpMenu->addSeparator();
    helpSeparator->setObjectName(QStringLiteral("Line502"));
    aboutAction = helpMenu->addAction(QStringLiteral("关于Tavorin(&A)"));
    aboutAction->setObjectName(QStringLiteral("guanyuwomen"));

    connect(accountAction, &QAction::triggered, this, &MainWindow::onAccount);
    connect(backupAction, &QAction::triggered, this, &MainWindow::onBackup);
    connect(restoreAction, &QAction::triggered, this, &MainWindow::onRestore);
    connect(userManagerAction, &QAction::triggered, this, &MainWindow::onUserManager);
    // Only admin manages the accounts; checked each time the menu opens.
    connect(systemMenu, &QMenu::aboutToShow, this, [this] { userManagerAction->setEnabled(UserManager::allowed()); });
    connect(exitAction, &QAction::triggered, this, &MainWindow::onExit);
    // The commands exist once the work area is built; they are looked up when chosen.
    connect(exportWebsitesAction, &QAction::triggered, this, [this] { commands->exportWebsites(); });
    connect(importNotesAction, &QAction::triggered, this, [this] { commands->importNotes(); });
    connect(clientReportAction, &QAction::triggered, this, [this] { commands->clientReport(); });
    // Both open without waiting; the main window stays usable beside them.
    connect(instructionsAction, &QAction::triggered, this, [] { Forms::get<HelpBrowser>()->show(); });
    connect(aboutAction, &QAction::triggered, this, [] { Forms::get<AboutBox>()->show(); });
}

void MainWindow::buildToolbar()
{
    toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setAccessibleName(QStringLiteral("工具栏"));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, toolbar);

    auto gap = [this](int twips, const QString &name) {
        auto *spacer = new QWidget(toolbar);
        spacer->setObjectName(name);
        spacer->setFixedWidth(Twips::toPixels(twips));
        toolbar->addWidget(spacer);
    };
    auto button = [this](const QString &key, const QString &caption, const char *theme,
                         QStyle::StandardPixmap fallback) {
        auto *action = toolbar->addAction(QIcon::fromTheme(QLatin1String(theme), style()->standardIcon(fallback)),
                                          caption);
        action->setObjectName(key);
        if (QWidget *w = toolbar->widgetForAction(action)) {
            w->setObjectName(key + QStringLiteral("_button"));
            w->setAccessibleName(caption);
            // The toolbar's buttons carry their captions; no tool tips.
            w->installEventFilter(this);
        }
        return action;
    };

    gap(360, QStringLiteral("Toolbar1_gap1"));
    viewNotesAction = button(QStringLiteral("Looksite"), QStringLiteral("查看网站"), "document-open",
                             QStyle::SP_FileDialogContentsView);
    gap(300, QStringLiteral("Toolbar1_gap2"));
    addWebsiteAction = button(QStringLiteral("Add"), QStringLiteral("添加网站"), "list-add",
                              QStyle::SP_FileDialogNewFolder);
    modifyWebsiteAction = button(QStringLiteral("Modify"), QStringLiteral("修改网站"), "document-properties",
                                 QStyle::SP_FileDialogDetailedView);
    deleteWebsiteAction = button(QStringLiteral("Delete"), QStringLiteral("删除网站"), "edit-delete",
                                 QStyle::SP_TrashIcon);
    gap(300, QStringLiteral("Toolbar1_gap3"));
    refreshAction = button(QStringLiteral("NRefresh"), QStringLiteral("刷新显示"), "view-refresh",
                           QStyle::SP_BrowserReload);

    connect(toolbar, &QToolBar::actionTriggered, this, &MainWindow::onToolbarAction);
}

void MainWindow::buildStatusBar()
{
    statusLine = new QStatusBar(this);
    statusLine->setObjectName(QStringLiteral("StatusBar1"));
    statusLine->setSizeGripEnabled(false);
    setStatusBar(statusLine);

    constexpr int widths[5] = {800, 5505, 3000, 1440, 1440};
    for (int i = 0; i < 5; ++i) {
        statusPanels[i] = new QLabel(statusLine);
        statusPanels[i]->setObjectName(QStringLiteral("StatusBar1_%1").arg(i + 1));
        statusPanels[i]->setFixedWidth(Twips::toPixels(widths[i]));
        statusPanels[i]->setFrameShape(QFrame::Panel);
        statusPanels[i]->setFrameShadow(QFrame::Sunken);
        statusLine->addWidget(statusPanels[i]);
    }
    statusPanels[0]->setText(QStringLiteral("提示："));
    statusPanels[1]->setToolTip(QStringLiteral("工具栏的提示信息"));
    statusPanels[1]->setAccessibleName(QStringLiteral("状态"));
    statusPanels[2]->setToolTip(QStringLiteral("当前的日期"));
    statusPanels[3]->setText(QStringLiteral("Tavorin 工作室"));
    statusPanels[3]->setToolTip(QStringLiteral("tavorin@example.org"));
    Database::registerStatusPanel(statusPanels[1]);

    // Which notebook this is (and whether it can only be read): with the
    // per-user and the current-folder notebooks, the user cannot tell otherwise.
    notebookPanel = new QLabel(Startup::notebookStatus(), statusLine);
    notebookPanel->setObjectName(QStringLiteral("NotebookFile"));
    notebookPanel->setAccessibleName(QStringLiteral("数据库文件"));
    notebookPanel->setToolTip(Startup::notebookStatus());
    notebookPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    notebookPanel->setFrameShape(QFrame::Panel);
    notebookPanel->setFrameShadow(QFrame::Sunken);
    statusLine->addWidget(notebookPanel, 1);
}

void MainWindow::buildWorkArea()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("MDIClient"));
    central->setMouseTracking(true);
    central->installEventFilter(this);
    setCentralWidget(central);
    setMouseTracking(true);

    workArea = new QWidget(central);
    workArea->setObjectName(QStringLiteral("Picture1"));

    browser = new WebsiteBrowser(workArea);
    browser->grid->viewport()->installEventFilter(this);
    commands = new CatalogueCommands(
        browser, [this](int position, qint32 websiteId) { reloadAt(position, websiteId); }, this);
    details = new WebsiteDetails(workArea);
    search = new SearchPanel(workArea);

    auto *left = new QVBoxLayout;
    left->addWidget(browser->grid);
    auto *navigation = new QHBoxLayout;
    navigation->addWidget(browser->firstButton);
    navigation->addWidget(browser->previousButton);
    navigation->addWidget(browser->nextButton);
    navigation->addWidget(browser->lastButton);
    navigation->addStretch();
    left->addLayout(navigation);

    auto *idRow = new QHBoxLayout;
    auto *idLabel = new QLabel(QStringLiteral("编号"), workArea);
    idLabel->setBuddy(browser->idBox);
    idRow->addWidget(idLabel);
    idRow->addWidget(browser->idBox);
    idRow->addWidget(browser->stepUpButton);
    idRow->addWidget(browser->stepDownButton);
    idRow->addStretch();

    auto *right = new QVBoxLayout;
    right->addWidget(details, 1);
    right->addWidget(search);
    right->addLayout(idRow);

    auto *columns = new QHBoxLayout(workArea);
    columns->setContentsMargins(Twips::toPixels(60), Twips::toPixels(60), Twips::toPixels(60), 0);
    columns->addLayout(left, 1);
    columns->addLayout(right);
    details->setFixedWidth(Twips::toPixels(3600));
    search->setFixedWidth(Twips::toPixels(3600));

    // Floats over the details frame while a date is picked.
    calendar = new QCalendarWidget(workArea);
    calendar->setObjectName(QStringLiteral("MonthView1"));
    calendar->setAccessibleName(QStringLiteral("日历"));
    m_datePicker = new DatePicker(details->dateBox, calendar, this);

    connect(browser, &WebsiteBrowser::rowChosen, this, &MainWindow::showWebsite);
    connect(browser, &WebsiteBrowser::browseEnabledChanged, this, &MainWindow::setCommandsEnabled);
    connect(search->searchButton, &QPushButton::clicked, this, &MainWindow::onSearch);
    connect(details->modifyButton, &QPushButton::clicked, this, &MainWindow::onModifyInPlace);
    connect(details->openNotesButton, &QPushButton::clicked, commands, &CatalogueCommands::openNotes);
}

void MainWindow::loadWindow()
{
    QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    settings.beginGroup(QStringLiteral("Settings"));
    const int heightTwips = settingOr(settings, QStringLiteral("MainHeight"), DefaultHeight);
    const int widthTwips = settingOr(settings, QStringLiteral("MainWidth"), DefaultWidth);
    // The stored size is the outer size, frame and title bar included; the
    // frame is known once the window is shown (applyOuterSize).
    m_outerSize = QSize(Twips::toPixels(widthTwips), Twips::toPixels(heightTwips));
    resize(m_outerSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    statusPanels[2]->setText(QStringLiteral("今天是：") + DateText::toLongText(QDate::currentDate()));
    // The design width is too narrow for the long date in most fonts: the panel grows to its text.
    statusPanels[2]->setFixedWidth(std::max(statusPanels[2]->minimumWidth(), statusPanels[2]->sizeHint().width()));
    statusPanels[4]->setText(QStringLiteral("版本 V1.0"));

    // A notebook that cannot be written is noticed now, not at the first change.
    const bool readOnly = Database::readOnly();
    Database::showStatus(readOnly ? DatabaseProblems::readOnlyNote(Database::notebook.path())
                                  : QStringLiteral("准备就绪..."));
    search->fieldList->addItem(QStringLiteral("网站名称"));
    search->fieldList->addItem(QStringLiteral("网址"));
    calendar->setSelectedDate(QDate::currentDate());
    // The window opens even when the list cannot be read; it is then empty,
    // and the user is told why at once rather than shown an empty catalogue.
    try {
        loadWebsiteList();
    } catch (const db::DbError &e) {
        browser->websiteList.recordset().close();
        bindListAndDetails();
        MessageBox::show(DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
    }
    // A team notebook names its database and server, as connected, so that
    // everyone sees where they write.
    if (Database::onServer()) {
        const db::Connection &conn = browser->websiteList.connection();
        const QString where = conn.isOpen() ? conn.description() : Database::databaseDescription();
        notebookPanel->setText(where);
        notebookPanel->setToolTip(where);
        notebookPanel->setAccessibleName(QStringLiteral("数据库"));
    }
    showNotebookInTitle();
    layOutWorkArea();
}

void MainWindow::showNotebookInTitle()
{
    // The status bar's panel gets what the fixed panels leave, often nothing:
    // the title is where the notebook in use always shows, as editors show their file.
    QString where = notebookPanel->text();
    if (!Database::onServer()) {
        where = QFileInfo(Database::notebook.path()).absoluteFilePath();
        const QString home = QDir::homePath();
        if (where.startsWith(home + QLatin1Char('/')))
            where = QLatin1Char('~') + where.mid(home.size());
        where = QDir::toNativeSeparators(where);
        if (Database::readOnly())
            where += QStringLiteral("（只读）");
    }
    setWindowTitle(QStringLiteral("Tavorin - ") + where);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layOutWorkArea();
}

void MainWindow::layOutWorkArea()
{
    // All the room between the toolbar and the status bar, whatever the
    // window manager's frame: a fixed allowance for the chrome left a band
    // under the grid or cut it off.
    workArea->setGeometry(centralWidget()->rect());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (watched->parent() == toolbar)
            return true;
        break;
    case QEvent::Wheel:
        if (watched == browser->grid->viewport())
            return browser->wheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
        if (watched == browser->grid->viewport())
            showIdle();
        break;
    case QEvent::MouseMove:
        // Only the frame's own background: moves over a control that passed
        // the event on to its parents do not count.
        if (watched == centralWidget()) {
            const auto *move = static_cast<QMouseEvent *>(event);
            if (!centralWidget()->childAt(move->position().toPoint()))
                showIdle();
        }
        break;
    case QEvent::Resize:
        if (watched == centralWidget())
            layOutWorkArea();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showIdle()
{
    if (Database::statusText() != IdleText)
        Database::showStatus(IdleText);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_returningToLogin) {
        event->accept();
        return;
    }
    const auto answer = MessageBox::show(QStringLiteral("真的退出该系统吗(Y/N)？    "), MessageBox::YesNo,
                                         MessageBox::Question, QStringLiteral("请确认..."));
    if (answer != MessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    // The program ends with its frame window, whatever else is still open.
    QCoreApplication::quit();
}

// ---- list and details ----

void MainWindow::loadWebsiteList()
{
    try {
        browser->load(WebsiteBrowser::ListQuery);
    } catch (const db::DbError &) {
        bindListAndDetails();
        throw;
    }
    bindListAndDetails();
}

void MainWindow::bindListAndDetails()
{
    browser->resetGrid();
    const db::Recordset &rs = browser->websiteList.recordset();
    if (!rs.isOpen() || (rs.bof() && rs.eof())) {
        details->clear();
        browser->idBox->clear();
        browser->setNavigationEnabled(false);
        return;
    }
    browser->setNavigationEnabled(true);
    // The grid's row, made current here, shows its website and loads it for the commands.
    browser->followRecordset();
}

void MainWindow::setCommandsEnabled(bool enabled)
{
    for (QAction *action : {viewNotesAction, modifyWebsiteAction, deleteWebsiteAction})
        action->setEnabled(enabled);
    details->setCommandsEnabled(enabled);
}

void MainWindow::showWebsite(const QString &idText)
{
    Website &site = currentWebsite();
    site.load(idText.trimmed().toInt());
    details->showWebsite(site);
    browser->idBox->setText(QString::number(site.Webid));
}

void MainWindow::reloadAt(int position, qint32 websiteId)
{
    loadWebsiteList();
    browser->restoreWebsite(websiteId, position);
}

void MainWindow::onModifyInPlace()
{
    Database::showStatus(QStringLiteral("修改记录"));
    const int position = browser->currentPosition();
    const qint32 id = details->storedIdBox->text().trimmed().toInt();
    if (details->saveChanges())
        reloadAt(position, id);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_outerSizeApplied) {
        m_outerSizeApplied = true;
        applyOuterSize();
        // Some window managers report the frame only after mapping.
        QTimer::singleShot(0, this, &MainWindow::applyOuterSize);
    }
}

void MainWindow::applyOuterSize()
{
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize inner = m_outerSize - QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (frame.isNull() || size() == inner)
        return;
    resize(inner);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - m_outerSize.width()) / 2, area.y() + (area.height() - m_outerSize.height()) / 2);
    }
}
