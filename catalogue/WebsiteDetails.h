#pragma once

#include "catalogue/WebsiteInput.h"

#include <QGroupBox>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Website;

// The details frame of the main window: the current website's name, address,
// job date and memo, editable in place, with the buttons that save the change
// and open the website's notes.
class WebsiteDetails : public QGroupBox {
    Q_OBJECT
public:
    explicit WebsiteDetails(QWidget *parent = nullptr);

    QLineEdit *nameBox;
    QLineEdit *addressBox;
    QLineEdit *dateBox;
    QPlainTextEdit *memoBox;
    QPushButton *modifyButton;
    QPushButton *openNotesButton;
    // The id and name as stored, hidden: what an in-place change replaces.
    QLineEdit *storedIdBox;
    QLineEdit *storedNameBox;

    void showWebsite(const Website &site);
    void clear();
    void setCommandsEnabled(bool enabled);
    WebsiteBoxes boxes() const { return {nameBox, addressBox, dateBox, memoBox}; }

    // Checks the boxes and writes them over the stored website; false, after
    // telling the user why, when nothing was written.
    bool saveChanges();

private:
    void showMemo(const QString &text);
};
