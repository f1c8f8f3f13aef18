#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: program name, version, description and the publisher.
// Shown without waiting; closed by its button, Enter or Esc.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    // Web address and contact line shown in Label2 and Label3.
    static const QString WebAddress;
    static const QString ContactLine;

    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *Label1;
    QFrame *Line1_0;
    QFrame *Line1_1;
    QLabel *lblDisclaimer;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *cmdOK;
};
