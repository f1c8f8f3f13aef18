#include "catalogue/SearchPanel.h"

#include "core/SqlText.h"

#include "core/ui/Widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

SearchPanel::SearchPanel(QWidget *parent) : QGroupBox(QStringLiteral("查找"), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    fieldList = new QComboBox(this);
    fieldList->setObjectName(QStringLiteral("lstFields"));
    fieldList->setAccessibleName(QStringLiteral("类型："));
    textBox = ui::lineBox(this, QStringLiteral("txtExpression"), QStringLiteral("内容："));
    searchButton = ui::button(this, QStringLiteral("cmdsou"), QStringLiteral("搜索"));
    auto *fieldLabel = ui::labelFor(this, QStringLiteral("类型："), fieldList, QStringLiteral("Label1"));
    auto *textLabel = ui::labelFor(this, QStringLiteral("内容："), textBox, QStringLiteral("Label2"));
    auto *layout = new QGridLayout(this);
    layout->addWidget(fieldLabel, 0, 0);
    layout->addWidget(fieldList, 0, 1);
    layout->addWidget(textLabel, 1, 0);
    layout->addWidget(textBox, 1, 1);
    layout->addWidget(searchButton, 2, 1, Qt::AlignRight);
}

QString SearchPanel::condition() const
{
    const QString column = fieldList->currentText() == QStringLiteral("网址") ? QStringLiteral("Weburl")
                                                                             : QStringLiteral("Webname");
    // The text takes part exactly as typed, spaces included, and is looked
    // for literally: quotes, "%" and "_" are characters like any other.
    return sqlContains(column, textBox->text());
}
