#include "catalogue/FrmMain.h"

#include "accounts/FrmUserEdit.h"
#include "accounts/UserManager.h"
#include "accounts/Users.h"
#include "catalogue/DatePicker.h"
#include "catalogue/FrmStyleEdit.h"
#include "catalogue/Website.h"
#include "catalogue/WebsiteInput.h"
#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/SqlText.h"
#include "core/Twips.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/TableList.h"
#include "help/Frmbijishuoming.h"
#include "help/frmAbout.h"
#include "notes/NotesTable.h"

#include <algorithm>

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

const QString IdleText = QStringLiteral("待命状态...");

// The list query; a search replaces its condition and order.
const QString ListSelect = QStringLiteral("SELECT Webid As 编号, Webname As 网站名称,")
                         + QStringLiteral(" Weburl As 网址, Webtime As 接单日期, Webmemos As 备注信息");
const QString ListQuery = ListSelect + QStringLiteral(" FROM Website ORDER BY Webtime Desc");

// Grid column widths in twips; the memo column is carried but not shown.
constexpr int ColumnWidths[] = {600, 3010, 3500, 1500, 0};

constexpr int DefaultHeight = 10300;
constexpr int DefaultWidth = 13000;
constexpr int GridHeight = 7500;
// Room left for the title bar, menu, toolbar and status bar.
constexpr int FrameChrome = 2000;

int settingOr(const QSettings &settings, const QString &key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

QPushButton *makeButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    return button;
}

QLineEdit *makeBox(const QString &name, const QString &label, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(label);
    return box;
}

QLabel *makeLabel(const QString &caption, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Tavorin"));

    buildMenus();
    buildToolbar();
    buildStatusBar();
    buildWorkArea();
    loadWindow();
}

FrmMain::~FrmMain()
{
    // The status text has nowhere to go once this window is gone.
    DbFunc::registerStatusPanel(nullptr);
    // The grid outlives the data control while the base class tears down.
    m_model->setRecordset(nullptr);
}

void FrmMain::buildMenus()
{
    system = menuBar()->addMenu(QStringLiteral("系统管理(&S)"));
    system->setObjectName(QStringLiteral("system"));
    zhanghao = system->addAction(QStringLiteral("帐号/密码(&N)"));
    zhanghao->setObjectName(QStringLiteral("zhanghao"));
    yonghuguanli = system->addAction(QStringLiteral("用户管理(&U)"));
    yonghuguanli->setObjectName(QStringLiteral("yonghuguanli"));
    Line501 = system->addSeparator();
    Line501->setObjectName(QStringLiteral("Line501"));
    tuichu = system->addAction(QStringLiteral("退出系统(&E)"));
    tuichu->setObjectName(QStringLiteral("tuichu"));

    help = menuBar()->addMenu(QStringLiteral("帮助中心(&H)"));
    help->setObjectName(QStringLiteral("help"));
    shuoming = help->addAction(QStringLiteral("使用说明(&I)"));
    shuoming->setObjectName(QStringLiteral("shuoming"));
    Line502 = help->addSeparator();
    Line502->setObjectName(QStringLiteral("Line502"));
    guanyuwomen = help->addAction(QStringLiteral("关于Tavorin(&A)"));
    guanyuwomen->setObjectName(QStringLiteral("guanyuwomen"));

    connect(zhanghao, &QAction::triggered, this, &FrmMain::zhanghao_Click);
    connect(yonghuguanli, &QAction::triggered, this, &FrmMain::yonghuguanli_Click);
    // Only admin manages the accounts; the menu is checked each time it opens.
    connect(system, &QMenu::aboutToShow, this, [this] { yonghuguanli->setEnabled(UserManager::allowed()); });
    connect(tuichu, &QAction::triggered, this, &FrmMain::tuichu_Click);
    // Both open without waiting; the main window stays usable beside them.
    connect(shuoming, &QAction::triggered, this, [] { Forms::get<Frmbijishuoming>()->show(); });
    connect(guanyuwomen, &QAction::triggered, this, [] { Forms::get<frmAbout>()->show(); });
}

void FrmMain::buildToolbar()
{
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(QStringLiteral("工具栏"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    auto gap = [this](int twips, const QString &name) {
        auto *spacer = new QWidget(Toolbar1);
        spacer->setObjectName(name);
        spacer->setFixedWidth(Twips::toPixels(twips));
        Toolbar1->addWidget(spacer);
    };
    auto button = [this](const QString &key, const QString &caption, const char *theme,
                         QStyle::StandardPixmap fallback) {
        auto *action = Toolbar1->addAction(QIcon::fromTheme(QLatin1String(theme), style()->standardIcon(fallback)),
                                           caption);
        action->setObjectName(key);
        if (QWidget *w = Toolbar1->widgetForAction(action)) {
            w->setObjectName(key + QStringLiteral("_button"));
            w->setAccessibleName(caption);
            // The toolbar's buttons carry their captions; no tool tips.
            w->installEventFilter(this);
        }
        return action;
    };

    gap(360, QStringLiteral("Toolbar1_gap1"));
    Looksite = button(QStringLiteral("Looksite"), QStringLiteral("查看网站"), "document-open",
                      QStyle::SP_FileDialogContentsView);
    gap(300, QStringLiteral("Toolbar1_gap2"));
    Add = button(QStringLiteral("Add"), QStringLiteral("添加网站"), "list-add", QStyle::SP_FileDialogNewFolder);
    Modify = button(QStringLiteral("Modify"), QStringLiteral("修改网站"), "document-properties",
                    QStyle::SP_FileDialogDetailedView);
    Delete = button(QStringLiteral("Delete"), QStringLiteral("删除网站"), "edit-delete", QStyle::SP_TrashIcon);
    gap(300, QStringLiteral("Toolbar1_gap3"));
    NRefresh = button(QStringLiteral("NRefresh"), QStringLiteral("刷新显示"), "view-refresh",
                      QStyle::SP_BrowserReload);

    connect(Toolbar1, &QToolBar::actionTriggered, this, &FrmMain::Toolbar1_ButtonClick);
}

void FrmMain::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);

    constexpr int widths[5] = {800, 5505, 3000, 1440, 1440};
    for (int i = 0; i < 5; ++i) {
        Panels[i] = new QLabel(StatusBar1);
        Panels[i]->setObjectName(QStringLiteral("StatusBar1_%1").arg(i + 1));
        Panels[i]->setFixedWidth(Twips::toPixels(widths[i]));
        Panels[i]->setFrameShape(QFrame::Panel);
        Panels[i]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(Panels[i]);
    }
    Panels[0]->setText(QStringLiteral("提示："));
    Panels[1]->setToolTip(QStringLiteral("工具栏的提示信息"));
    Panels[1]->setAccessibleName(QStringLiteral("状态"));
    Panels[2]->setToolTip(QStringLiteral("当前的日期"));
    Panels[3]->setText(QStringLiteral("Tavorin 工作室"));
    Panels[3]->setToolTip(QStringLiteral("tavorin@example.org"));
    DbFunc::registerStatusPanel(Panels[1]);
}

void FrmMain::buildWorkArea()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("MDIClient"));
    central->setMouseTracking(true);
    central->installEventFilter(this);
    setCentralWidget(central);
    setMouseTracking(true);

    Picture1 = new QWidget(central);
    Picture1->setObjectName(QStringLiteral("Picture1"));

    DataGrid1 = new QTableView(Picture1);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("网站列表"));
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DataGrid1->setWordWrap(true);
    DataGrid1->setFixedHeight(Twips::toPixels(GridHeight));
    m_model = new RecordsetModel(this);
    m_model->setRecordset(&Adodc1.recordset());
    DataGrid1->setModel(m_model);
    DataGrid1->viewport()->installEventFilter(this);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                gridRowChanged(current.row(), previous.row());
            });
    connect(DataGrid1, &QTableView::clicked, this, [this] { gridClicked(); });

    // Details of the current website.
    Frame2 = new QGroupBox(QStringLiteral("基本信息"), Picture1);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Webname = makeBox(QStringLiteral("Webname"), QStringLiteral("网站名称"), Frame2);
    Weburl = makeBox(QStringLiteral("Weburl"), QStringLiteral("网址"), Frame2);
    Webtime = makeBox(QStringLiteral("Webtime"), QStringLiteral("接单日期"), Frame2);
    Webmemos = new QPlainTextEdit(Frame2);
    Webmemos->setObjectName(QStringLiteral("Webmemos"));
    Webmemos->setAccessibleName(QStringLiteral("网站备注信息"));
    Webmemos->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Webmemos->setTabChangesFocus(true);
    Cmd_XG = makeButton(QStringLiteral("Cmd_XG"), QStringLiteral("修改"), Frame2);
    Cmd_goto = makeButton(QStringLiteral("Cmd_goto"), QStringLiteral("Goto ->"), Frame2);
    WebOriId = makeBox(QStringLiteral("WebOriId"), QStringLiteral("编号"), Frame2);
    WebOriId->hide();
    WebOriName = makeBox(QStringLiteral("WebOriName"), QStringLiteral("原网站名称"), Frame2);
    WebOriName->hide();

    auto *details = new QGridLayout(Frame2);
    details->addWidget(makeLabel(QStringLiteral("网站名称"), Webname, Frame2), 0, 0);
    details->addWidget(Webname, 0, 1);
    details->addWidget(makeLabel(QStringLiteral("网　　址"), Weburl, Frame2), 1, 0);
    details->addWidget(Weburl, 1, 1);
    details->addWidget(makeLabel(QStringLiteral("接单日期"), Webtime, Frame2), 2, 0);
    details->addWidget(Webtime, 2, 1);
    details->addWidget(makeLabel(QStringLiteral("网站备注信息"), Webmemos, Frame2), 3, 0, 1, 2);
    details->addWidget(Webmemos, 4, 0, 1, 2);
    auto *detailButtons = new QHBoxLayout;
    detailButtons->addWidget(Cmd_XG);
    detailButtons->addWidget(Cmd_goto);
    details->addLayout(detailButtons, 5, 0, 1, 2);

    // Record navigation.
    Fii1 = makeButton(QStringLiteral("Fii1"), QStringLiteral("首条记录"), Picture1);
    Fii2 = makeButton(QStringLiteral("Fii2"), QStringLiteral("<上一条"), Picture1);
    Fii3 = makeButton(QStringLiteral("Fii3"), QStringLiteral("下一条>"), Picture1);
    Fii4 = makeButton(QStringLiteral("Fii4"), QStringLiteral("末条记录"), Picture1);
    Cmdbianhao = makeBox(QStringLiteral("Cmdbianhao"), QStringLiteral("编号"), Picture1);
    Cmdbianhao->setReadOnly(true);
    Cmdbianhao->setFixedWidth(Twips::toPixels(900));
    cmdlast = makeButton(QStringLiteral("cmdlast"), QStringLiteral("∧"), Picture1);
    cmdnext = makeButton(QStringLiteral("cmdnext"), QStringLiteral("∨"), Picture1);
    cmdlast->setAccessibleName(QStringLiteral("上一条"));
    cmdnext->setAccessibleName(QStringLiteral("下一条"));
    cmdlast->setFixedWidth(Twips::toPixels(360));
    cmdnext->setFixedWidth(Twips::toPixels(360));

    // Search.
    Frame1 = new QGroupBox(QStringLiteral("查找"), Picture1);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    lstFields = new QComboBox(Frame1);
    lstFields->setObjectName(QStringLiteral("lstFields"));
    lstFields->setAccessibleName(QStringLiteral("类型："));
    txtExpression = makeBox(QStringLiteral("txtExpression"), QStringLiteral("内容："), Frame1);
    cmdsou = makeButton(QStringLiteral("cmdsou"), QStringLiteral("搜索"), Frame1);
    auto *Label1 = makeLabel(QStringLiteral("类型："), lstFields, Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto *Label2 = makeLabel(QStringLiteral("内容："), txtExpression, Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto *search = new QGridLayout(Frame1);
    search->addWidget(Label1, 0, 0);
    search->addWidget(lstFields, 0, 1);
    search->addWidget(Label2, 1, 0);
    search->addWidget(txtExpression, 1, 1);
    search->addWidget(cmdsou, 2, 1, Qt::AlignRight);

    auto *left = new QVBoxLayout;
    left->addWidget(DataGrid1);
    auto *navigation = new QHBoxLayout;
    navigation->addWidget(Fii1);
    navigation->addWidget(Fii2);
    navigation->addWidget(Fii3);
    navigation->addWidget(Fii4);
    navigation->addStretch();
    left->addLayout(navigation);
    left->addStretch();

    auto *idBox = new QHBoxLayout;
    idBox->addWidget(makeLabel(QStringLiteral("编号"), Cmdbianhao, Picture1));
    idBox->addWidget(Cmdbianhao);
    idBox->addWidget(cmdlast);
    idBox->addWidget(cmdnext);
    idBox->addStretch();

    auto *right = new QVBoxLayout;
    right->addWidget(Frame2, 1);
    right->addWidget(Frame1);
    right->addLayout(idBox);

    auto *columns = new QHBoxLayout(Picture1);
    columns->setContentsMargins(Twips::toPixels(60), Twips::toPixels(60), Twips::toPixels(60), 0);
    columns->addLayout(left, 1);
    columns->addLayout(right);
    Frame2->setFixedWidth(Twips::toPixels(3600));
    Frame1->setFixedWidth(Twips::toPixels(3600));

    // Floats over the details frame while a date is picked.
    MonthView1 = new QCalendarWidget(Picture1);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setAccessibleName(QStringLiteral("日历"));
    m_datePicker = new DatePicker(Webtime, MonthView1, this);

    connect(Fii1, &QPushButton::clicked, this, &FrmMain::Fii1_Click);
    connect(Fii2, &QPushButton::clicked, this, &FrmMain::Fii2_Click);
    connect(Fii3, &QPushButton::clicked, this, &FrmMain::Fii3_Click);
    connect(Fii4, &QPushButton::clicked, this, &FrmMain::Fii4_Click);
    connect(cmdlast, &QPushButton::clicked, this, &FrmMain::cmdlast_Click);
    connect(cmdnext, &QPushButton::clicked, this, &FrmMain::cmdnext_Click);
    connect(cmdsou, &QPushButton::clicked, this, &FrmMain::cmdsou_Click);
    connect(Cmd_XG, &QPushButton::clicked, this, &FrmMain::Cmd_XG_Click);
    connect(Cmd_goto, &QPushButton::clicked, this, &FrmMain::Cmd_goto_Click);
}

void FrmMain::loadWindow()
{
    QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    settings.beginGroup(QStringLiteral("Settings"));
    const int heightTwips = settingOr(settings, QStringLiteral("MainHeight"), DefaultHeight);
    const int widthTwips = settingOr(settings, QStringLiteral("MainWidth"), DefaultWidth);
    resize(Twips::toPixels(widthTwips), Twips::toPixels(heightTwips));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    Panels[2]->setText(QStringLiteral("今天是：") + DateText::toLongText(QDate::currentDate()));
    Panels[4]->setText(QStringLiteral("版本 V1.0"));
    DbFunc::ShowStatus(QStringLiteral("准备就绪..."));
    lstFields->addItem(QStringLiteral("网站名称"));
    lstFields->addItem(QStringLiteral("网址"));
    MonthView1->setSelectedDate(QDate::currentDate());
    // The window opens even when the list cannot be read; it is then empty.
    try {
        LoadWebsiteList();
    } catch (const db::DbError &) {
        Adodc1.recordset().close();
        BindListAndDetails();
    }
    // A team notebook names its server, so that everyone sees where they write.
    if (db::Connection::isServer(DbFunc::ConnString)) {
        const QString where = Adodc1.connection().isOpen() ? Adodc1.connection().description() : DbFunc::databaseDescription();
        auto *server = new QLabel(where, StatusBar1);
        server->setObjectName(QStringLiteral("StatusBar1_6"));
        server->setAccessibleName(QStringLiteral("数据库"));
        server->setFrameShape(QFrame::Panel);
        server->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(server);
    }
    layOutPicture1();
}

void FrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layOutPicture1();
}

void FrmMain::layOutPicture1()
{
    const int heightTwips = Twips::fromPixels(frameGeometry().height()) - FrameChrome;
    // A window shrunk below the chrome leaves the container at its last height.
    if (heightTwips > 0)
        m_picture1Height = Twips::toPixels(heightTwips);
    Picture1->setGeometry(0, 0, centralWidget()->width(), m_picture1Height);
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (watched->parent() == Toolbar1)
            return true;
        break;
    case QEvent::Wheel:
        if (watched == DataGrid1->viewport())
            return gridWheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::MouseButtonPress:
        if (watched == DataGrid1->viewport())
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
            layOutPicture1();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::showIdle()
{
    if (DbFunc::statusText() != IdleText)
        DbFunc::ShowStatus(IdleText);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
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

void FrmMain::LoadWebsiteList()
{
    Adodc1.setConnectionString(DbFunc::ConnString);
    Adodc1.setRecordSource(ListQuery);
    try {
        Adodc1.refresh();
    } catch (const db::DbError &) {
        // Never leave the grid over a recordset that was closed under it.
        m_model->reset();
        BindListAndDetails();
        throw;
    }
    BindListAndDetails();
}

void FrmMain::BindListAndDetails()
{
    m_following = true;
    m_model->reset();
    m_following = false;
    for (int column = 0; column < 5; ++column)
        DataGrid1->setColumnWidth(column, Twips::toPixels(ColumnWidths[column]));
    if (m_model->columnCount() > 4)
        DataGrid1->setColumnHidden(4, true);

    const db::Recordset &rs = Adodc1.recordset();
    if (!rs.isOpen() || (rs.bof() && rs.eof())) {
        clearDetails();
        setBrowseEnabled(false);
        return;
    }
    if (hasCurrentRow()) {
        const QString id = RecordsetModel::displayText(rs.value(0));
        WebOriId->setText(id);
        Cmdbianhao->setText(id);
        Webname->setText(rs.value(1).toString().trimmed());
        WebOriName->setText(Webname->text());
        Weburl->setText(rs.value(2).toString());
        // A long address shows its beginning, not its tail.
        Weburl->setCursorPosition(0);
        Webtime->setText(RecordsetModel::displayText(rs.value(3)));
        showMemo(rs.value(4).toString().trimmed());
    }
    setBrowseEnabled(true);
    followRecordset();
}

void FrmMain::clearDetails()
{
    WebOriId->clear();
    Cmdbianhao->clear();
    Webname->clear();
    WebOriName->clear();
    Weburl->clear();
    Webtime->clear();
    Webmemos->clear();
}

void FrmMain::showMemo(const QString &text)
{
    // Straight into the document: the box's own setPlainText also selects the
    // whole text to reset its format, which lays the memo out three times on
    // every step through the list. The caret and the view go to the top, and
    // there is nothing to undo, as after setPlainText.
    Webmemos->document()->setPlainText(text);
    Webmemos->moveCursor(QTextCursor::Start);
    Webmemos->document()->setModified(false);
}

void FrmMain::setBrowseEnabled(bool enabled)
{
    for (QAction *action : {Looksite, Modify, Delete})
        action->setEnabled(enabled);
    for (QPushButton *button : {Fii1, Fii2, Fii3, Fii4, cmdlast, cmdnext, Cmd_XG, Cmd_goto})
        button->setEnabled(enabled);
}

bool FrmMain::hasCurrentRow() const
{
    const db::Recordset &rs = Adodc1.recordset();
    return rs.isOpen() && !rs.bof() && !rs.eof();
}

QString FrmMain::currentIdText() const
{
    return RecordsetModel::displayText(Adodc1.recordset().value(0));
}

void FrmMain::followRecordset()
{
    QItemSelectionModel *selection = DataGrid1->selectionModel();
    if (!hasCurrentRow()) {
        m_following = true;
        selection->clearSelection();
        selection->clearCurrentIndex();
        m_following = false;
        return;
    }
    const QModelIndex index = m_model->index(Adodc1.recordset().absolutePosition() - 1, 0);
    // A changed row reaches gridRowChanged, which shows the website.
    if (DataGrid1->currentIndex().row() != index.row())
        DataGrid1->setCurrentIndex(index);
    else
        DataGrid1->selectRow(index.row());
    DataGrid1->scrollTo(index);
}

void FrmMain::restorePosition(int position)
{
    if (position > 1 && Adodc1.recordset().isOpen()) {
        Adodc1.recordset().move(position - 1);
        followRecordset();
    }
}

void FrmMain::gridRowChanged(int row, int previousRow)
{
    if (m_following || row < 0 || row == previousRow || m_model->rowCount() < 1)
        return;
    db::Recordset &rs = Adodc1.recordset();
    if (rs.absolutePosition() != row + 1)
        rs.setAbsolutePosition(row + 1);
    Seeksite(currentIdText());
}

void FrmMain::gridClicked()
{
    if (m_model->rowCount() < 1 || !hasCurrentRow())
        return;
    Seeksite(currentIdText());
}

bool FrmMain::gridWheel(QWheelEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier && event->buttons() == Qt::NoButton;
    const QPoint delta = event->angleDelta();
    const bool down = plain && delta == QPoint(0, -120);
    const bool up = plain && delta == QPoint(0, 120);
    if (!down && !up)
        return false; // other turns scroll the grid as usual

    db::Recordset &rs = Adodc1.recordset();
    if (hasCurrentRow()) {
        if (down && rs.absolutePosition() < rs.recordCount())
            rs.moveNext();
        else if (up && rs.absolutePosition() > 1)
            rs.movePrevious();
        followRecordset();
    }
    return true;
}

void FrmMain::Seeksite(const QString &idText)
{
    Website &site = CurWebsite();
    site.GetInfo(idText.trimmed().toInt());
    Webname->setText(site.Webname);
    Weburl->setText(site.Weburl);
    Weburl->setCursorPosition(0);
    Webtime->setText(DateText::toText(site.Webtime));
    showMemo(site.Webmemos);
    Frame2->setTitle(QStringLiteral("编号：") + QString::number(site.Webid));
    WebOriId->setText(QString::number(site.Webid));
    WebOriName->setText(site.Webname);
    Cmdbianhao->setText(QString::number(site.Webid));
}

// ---- navigation ----

void FrmMain::ChangeBrowseState()
{
    db::Recordset &rs = Adodc1.recordset();
    if (!rs.isOpen()) {
        Adodc1.refresh();
        m_following = true;
        m_model->reset();
        m_following = false;
    }
    const bool empty = rs.bof() && rs.eof();
    setBrowseEnabled(!empty);
    if (rs.bof()) {
        if (!empty)
            rs.moveFirst();
        for (QWidget *w : std::initializer_list<QWidget *>{cmdlast, Fii1, Fii2})
            w->setEnabled(false);
    }
    if (rs.eof()) {
        if (!empty)
            rs.moveLast();
        for (QWidget *w : std::initializer_list<QWidget *>{cmdnext, Fii3, Fii4})
            w->setEnabled(false);
    }
    Cmdbianhao->setText(hasCurrentRow() ? currentIdText() : QString());
    followRecordset();
}

void FrmMain::browse(const QString &status, void (*move)(db::Recordset &))
{
    if (!hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有记录了"));
        return;
    }
    DbFunc::ShowStatus(status);
    move(Adodc1.recordset());
    ChangeBrowseState();
}

// First and last step one beyond the end, so that the bounce of
// ChangeBrowseState lands on the end row and disables that direction.
void FrmMain::Fii1_Click()
{
    browse(QStringLiteral("首条记录"), [](db::Recordset &rs) { rs.moveFirst(); rs.movePrevious(); });
}

void FrmMain::Fii2_Click()
{
    browse(QStringLiteral("上一条记录"), [](db::Recordset &rs) { rs.movePrevious(); });
}

void FrmMain::Fii3_Click()
{
    browse(QStringLiteral("下一条记录"), [](db::Recordset &rs) { rs.moveNext(); });
}

void FrmMain::Fii4_Click()
{
    browse(QStringLiteral("最一条记录"), [](db::Recordset &rs) { rs.moveLast(); rs.moveNext(); });
}

void FrmMain::cmdlast_Click()
{
    if (Adodc1.recordset().isOpen())
        Adodc1.recordset().movePrevious();
    ChangeBrowseState();
}

void FrmMain::cmdnext_Click()
{
    if (Adodc1.recordset().isOpen())
        Adodc1.recordset().moveNext();
    ChangeBrowseState();
}

// ---- commands on the current website ----

void FrmMain::DeleteWebsite()
{
    db::Recordset &rs = Adodc1.recordset();
    if (!hasCurrentRow()) {
        MessageBox::show(QStringLiteral("请选择记录"));
        return;
    }
    const int position = rs.absolutePosition();
    const qint32 id = currentIdText().toInt();
    if (MessageBox::show(QStringLiteral("是否删除当前行?"), MessageBox::YesNo, MessageBox::NoIcon,
                         QStringLiteral("确认"))
        != MessageBox::Yes)
        return;

    // The website's notes go with it: first the windows over them, then the
    // website, and its notes table last, so that a failure on the way never
    // leaves a website whose notes are already gone.
    const QString name = QStringLiteral("biji") + QString::number(id);
    CloseWebsiteNotes(name);
    if (db::Connection::isServer(DbFunc::ConnString)) {
        // On a server both go in one transaction: another worker sees the
        // website with its notes, or neither.
        DbFunc::ExecuteSql(QStringLiteral("DELETE FROM Website WHERE Webid=%1; DROP TABLE IF EXISTS %2").arg(id).arg(name));
        MessageBox::show(QStringLiteral("删除成功"));
        LoadWebsiteList();
        restorePosition(position);
        return;
    }
    CurWebsite().Delete(id);
    try {
        db::Connection conn;
        conn.open(DbFunc::ConnString);
        db::TableList tables(conn);
        if (tables.find(QStringLiteral("TABLE_NAME= '") + sqlText(name) + QStringLiteral("'")))
            conn.execute(QStringLiteral("drop table ") + name);
    } catch (const db::DbError &e) {
        // The website is gone already; its leftover table harms nothing.
        MessageBox::show(QStringLiteral("网站已删除，但它的优化记录表 %1 未能删除：%2").arg(name, e.message()),
                         MessageBox::OkOnly, MessageBox::Exclamation);
    }
    MessageBox::show(QStringLiteral("删除成功"));
    LoadWebsiteList();
    restorePosition(position);
}

void FrmMain::Cmd_goto_Click()
{
    db::Recordset &rs = Adodc1.recordset();
    if (!hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有任何网站信息"));
        return;
    }
    const int position = rs.absolutePosition();
    WebsiteRow row;
    row.Webid = currentIdText().toInt();
    row.Webname = rs.value(1).toString().trimmed();
    row.Weburl = rs.value(2).toString();
    row.Webtime = rs.value(3).toDate();
    QString name = QStringLiteral("biji") + currentIdText();
    OpenWebsiteNotes(name, row);
    LoadWebsiteList();
    restorePosition(position);
}

void FrmMain::AddWebsite()
{
    FrmStyleEdit *dialog = Forms::get<FrmStyleEdit>();
    dialog->Modify = false;
    dialog->OriId = 0;
    dialog->exec(); // unloads itself when it closes
    LoadWebsiteList();
}

void FrmMain::ModifyWebsite()
{
    db::Recordset &rs = Adodc1.recordset();
    if (!hasCurrentRow()) {
        MessageBox::show(QStringLiteral("请选择记录"));
        return;
    }
    const int position = rs.absolutePosition();
    FrmStyleEdit *dialog = Forms::get<FrmStyleEdit>();
    dialog->OriId = currentIdText().toInt();
    dialog->OriName = rs.value(1).toString().trimmed();
    // A value stored longer than the dialog's limit (typed in the details
    // frame) must not be cut short by merely opening and saving the dialog.
    const auto fill = [](QLineEdit *box, const QString &text) {
        box->setMaxLength(std::max(box->maxLength(), int(text.size())));
        box->setText(text);
    };
    fill(dialog->Webname, dialog->OriName);
    fill(dialog->Weburl, rs.value(2).toString());
    dialog->Webtime->setText(RecordsetModel::displayText(rs.value(3)));
    const QString memos = rs.value(4).toString().trimmed();
    if (!memos.isEmpty())
        dialog->Webmemos->setPlainText(memos);
    dialog->Modify = true;
    dialog->exec();
    LoadWebsiteList();
    restorePosition(position);
}

void FrmMain::Cmd_XG_Click()
{
    DbFunc::ShowStatus(QStringLiteral("修改记录"));
    const int position = Adodc1.recordset().isOpen() ? Adodc1.recordset().absolutePosition() : 0;
    const WebsiteBoxes boxes{Webname, Weburl, Webtime, Webmemos};
    if (!WebsiteInput::fillCurWebsite(boxes))
        return;
    const QString name = Webname->text().trimmed();
    if (name != WebOriName->text() && WebsiteInput::refuseTakenName(boxes, name))
        return;
    try {
        CurWebsite().Update(WebOriId->text().trimmed().toInt());
    } catch (const db::DbError &e) {
        // Another worker took the name between the check above and the write.
        if (e.kind() == db::DbError::Kind::UniqueViolation && WebsiteInput::refuseTakenName(boxes, name))
            return;
        throw;
    }
    if (DbFunc::rowsAffected() == 0) {
        MessageBox::show(QStringLiteral("该网站已被删除，修改未保存"), MessageBox::OkOnly, MessageBox::Exclamation);
        LoadWebsiteList();
        restorePosition(position);
        return;
    }
    MessageBox::show(QStringLiteral("修改成功"));
    LoadWebsiteList();
    restorePosition(position);
}

// ---- search ----

void FrmMain::cmdsou_Click()
{
    DbFunc::ShowStatus(QStringLiteral("搜索"));
    const QString column = lstFields->currentText() == QStringLiteral("网址") ? QStringLiteral("Weburl")
                                                                             : QStringLiteral("Webname");
    // The text takes part exactly as typed, spaces included; its quotes are
    // doubled so that O'Reilly is looked for like any other name.
    const QString condition = column + QStringLiteral(" ") + QStringLiteral("Like") + QStringLiteral(" '%")
                            + sqlText(txtExpression->text()) + QStringLiteral("%'");
    const QString query = ListSelect + QStringLiteral(" FROM Website  where ") + condition
                        + QStringLiteral(" order by webid");

    const QString previous = Adodc1.recordSource();
    try {
        Adodc1.setConnectionString(DbFunc::ConnString);
        Adodc1.setRecordSource(query);
        Adodc1.refresh();
        BindListAndDetails();
    } catch (const db::DbError &) {
        // Put back the list the user had rather than leave a closed result
        // behind; when even that fails the list is shown empty.
        Adodc1.setRecordSource(previous);
        try {
            Adodc1.refresh();
        } catch (const db::DbError &) {
            Adodc1.recordset().close();
        }
        BindListAndDetails();
        MessageBox::show(QStringLiteral("没有符合条件的记录！"), MessageBox::OkOnly, MessageBox::Exclamation,
                         QStringLiteral("确认"));
    }
}

// ---- toolbar and menus ----

void FrmMain::Toolbar1_ButtonClick(QAction *button)
{
    const QString key = button->objectName();
    if (key == QLatin1String("Looksite")) {
        DbFunc::ShowStatus(QStringLiteral("查看/管理该网站详细记录"));
        Cmd_goto_Click();
    } else if (key == QLatin1String("Add")) {
        DbFunc::ShowStatus(QStringLiteral("填加记录"));
        AddWebsite();
    } else if (key == QLatin1String("Modify")) {
        DbFunc::ShowStatus(QStringLiteral("修改记录"));
        ModifyWebsite();
    } else if (key == QLatin1String("Delete")) {
        DbFunc::ShowStatus(QStringLiteral("删除关于该站点的笔记"));
        DeleteWebsite();
    } else if (key == QLatin1String("NRefresh")) {
        LoadWebsiteList();
        DbFunc::ShowStatus(QStringLiteral("刷新显示"));
    }
}

void FrmMain::zhanghao_Click()
{
    FrmUserEdit *dialog = Forms::get<FrmUserEdit>();
    dialog->OriUser = CurUser().UserName();
    dialog->txtUserName->setText(CurUser().UserName());
    dialog->txtPass->setText(CurUser().UserPwd());
    dialog->txtPass2->setText(CurUser().UserPwd());
    dialog->txtUserName->setEnabled(true);
    dialog->exec();
}

void FrmMain::yonghuguanli_Click()
{
    if (!UserManager::allowed()) {
        MessageBox::show(QStringLiteral("只有 admin 可以管理帐号"));
        return;
    }
    auto *dialog = new UserManager(this);
    dialog->exec();
}

void FrmMain::tuichu_Click()
{
    DbFunc::ShowStatus(QStringLiteral("关闭系统"));
    close();
}
