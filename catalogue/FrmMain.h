#pragma once

#include "core/db/DataControl.h"

#include <QMainWindow>
#include <QString>

class DatePicker;
class QAction;
class QCalendarWidget;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolBar;
class QWheelEvent;
class RecordsetModel;

// The program's frame window: the list of websites, the details of the
// current one, record navigation, search, and the commands that add, change,
// delete a website and open its notes. The list's recordset owns the current
// row; the grid follows it and reports the user's row changes back.
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit FrmMain(QWidget *parent = nullptr);
    ~FrmMain() override;

    // Procedures of the window, run by its buttons and by the windows it opens.
    void LoadWebsiteList();
    void BindListAndDetails();
    void ChangeBrowseState();
    void Seeksite(const QString &idText);
    void DeleteWebsite();
    void AddWebsite();
    void ModifyWebsite();

    // The list's data control.
    db::DataControl Adodc1;

    QMenu *system;
    QAction *zhanghao;
    QAction *yonghuguanli; // 用户管理, admin only
    QAction *Line501;
    QAction *tuichu;
    QMenu *help;
    QAction *shuoming;
    QAction *Line502;
    QAction *guanyuwomen;

    QToolBar *Toolbar1;
    QAction *Looksite;
    QAction *Add;
    QAction *Modify;
    QAction *Delete;
    QAction *NRefresh;

    QStatusBar *StatusBar1;
    QLabel *Panels[5];

    QWidget *Picture1;
    QTableView *DataGrid1;

    QGroupBox *Frame2;
    QLineEdit *Webname;
    QLineEdit *Weburl;
    QLineEdit *Webtime;
    QPlainTextEdit *Webmemos;
    QPushButton *Cmd_XG;
    QPushButton *Cmd_goto;
    QLineEdit *WebOriId;
    QLineEdit *WebOriName;
    QCalendarWidget *MonthView1;

    QPushButton *Fii1;
    QPushButton *Fii2;
    QPushButton *Fii3;
    QPushButton *Fii4;
    QLineEdit *Cmdbianhao;
    QPushButton *cmdlast;
    QPushButton *cmdnext;

    QGroupBox *Frame1;
    QComboBox *lstFields;
    QLineEdit *txtExpression;
    QPushButton *cmdsou;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void Toolbar1_ButtonClick(QAction *button);
    void zhanghao_Click();
    void yonghuguanli_Click();
    void tuichu_Click();
    void Fii1_Click();
    void Fii2_Click();
    void Fii3_Click();
    void Fii4_Click();
    void cmdlast_Click();
    void cmdnext_Click();
    void cmdsou_Click();
    void Cmd_XG_Click();
    void Cmd_goto_Click();

private:
    // Shows the status text and makes one move, when there is a current row.
    void browse(const QString &status, void (*move)(db::Recordset &));
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void buildWorkArea();
    void loadWindow();
    void layOutPicture1();

    // Enables or disables every control that needs a current website.
    void setBrowseEnabled(bool enabled);
    void clearDetails();
    void showMemo(const QString &text);
    bool hasCurrentRow() const;
    QString currentIdText() const;
    // Moves the grid's selection onto the recordset's current row.
    void followRecordset();
    void restorePosition(int position);
    void gridRowChanged(int row, int previousRow);
    void gridClicked();
    bool gridWheel(QWheelEvent *event);
    void showIdle();

    RecordsetModel *m_model;
    DatePicker *m_datePicker;
    int m_picture1Height = 0;
    bool m_following = false;
};
