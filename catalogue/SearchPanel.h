#pragma once

#include <QGroupBox>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

// The main window's search: which column (name or address) and the text it
// must contain. It only builds the condition; the main window runs it.
class SearchPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchPanel(QWidget *parent = nullptr);

    QComboBox *fieldList;
    QLineEdit *textBox;
    QPushButton *searchButton;

    // "Webname Like '%text%'" (or Weburl), the text with its quotes doubled.
    QString condition() const;
};
