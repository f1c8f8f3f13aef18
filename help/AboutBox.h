#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: program name, version, description and the publisher.
// Shown without waiting; closed by its button, Enter or Esc.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    // Web address and contact line shown in webAddressLabel and contactLabel.
    static const QString WebAddress;
    static const QString ContactLine;

    QLabel *iconLabel;
    QLabel *titleLabel;
    QLabel *versionLabel;
    QLabel *descriptionLabel;
    QLabel *descriptionText;
    QFrame *upperRule;
    QFrame *lowerRule;
    QLabel *publisherLabel;
    QLabel *webAddressLabel;
    QLabel *contactLabel;
    QPushButton *okButton;
};
