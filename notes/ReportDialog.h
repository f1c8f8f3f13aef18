#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>

class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

// 生成客户报告: the period (default: the last full calendar month), the
// observation items of the current website's report (ticked as last chosen)
// and, from the 数据 menu, whether the report is for the current website or
// for every website in the list. 报告设置… opens the studio's details.
class ReportDialog : public QDialog {
    Q_OBJECT
public:
    // table: the current website's notes table (empty: none); listed: the
    // websites in the list, offered when above 0; searchResult: the list
    // shows a search's result rather than every website.
    ReportDialog(QWidget *parent, const QString &table, int listed = 0, bool searchResult = false);

    QDate from() const;
    QDate to() const;
    QStringList items() const;
    bool wholeList() const;

    QDateEdit *fromEdit;
    QDateEdit *toEdit;
    QListWidget *itemList;
    QRadioButton *currentOnly = nullptr;
    QRadioButton *everyListed = nullptr;
    QPushButton *settingsButton;

    void accept() override;

private:
    QString m_table;
};

// 报告设置: the studio's name, contact line and logo (a PNG file, shown as
// the program's decoder reads it), kept in the settings.
class ReportSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportSettingsDialog(QWidget *parent = nullptr);

    // Reads a logo file; false (with a message shown) when it is not a PNG
    // the decoder can draw or is too large to keep in the settings.
    bool chooseLogo(const QString &path);

    void accept() override;

private:
    void showLogo();

    class QLineEdit *m_name;
    class QLineEdit *m_contact;
    QLabel *m_logo;
    QByteArray m_logoBytes;
};
