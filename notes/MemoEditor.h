#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shows one notes row's date and memo and saves the memo alone.
class MemoEditor : public QDialog {
    Q_OBJECT
public:
    explicit MemoEditor(QWidget *parent = nullptr);

    qint32 editedId = 0;
    QString notesTable;

    // The row's date (shown only) and memo, as the notes window reads them.
    void setTexts(const QString &date, const QString &memo);

private:
    void onOk();

    QLabel *dateLabel = nullptr;
    QLineEdit *m_date = nullptr;      // Webworld(1)
    QGroupBox *memoFrame = nullptr;
    QLabel *memoHint = nullptr;
    QPlainTextEdit *m_memo = nullptr; // Webworld(2)
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
};
