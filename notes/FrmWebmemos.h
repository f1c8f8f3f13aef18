#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shows one notes row's date and memo and saves the memo alone.
class FrmWebmemos : public QDialog {
    Q_OBJECT
public:
    explicit FrmWebmemos(QWidget *parent = nullptr);

    qint32 OriId = 0;
    QString Bijiname;

    // The row's date (shown only) and memo, as the notes window reads them.
    void setTexts(const QString &date, const QString &memo);

private:
    void Cmd_OK_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *m_date = nullptr;      // Webworld(1)
    QGroupBox *Frame3 = nullptr;
    QLabel *Label2 = nullptr;
    QPlainTextEdit *m_memo = nullptr; // Webworld(2)
    QPushButton *Cmd_OK = nullptr;
    QPushButton *Cmd_Cancel = nullptr;
};
