#pragma once

#include <QString>

class QWidget;

// Checks on text typed or pasted into a box before it goes anywhere near SQL.
namespace InputText {

// True when the text can be stored as it is. Otherwise tells the user which
// box holds what cannot be stored (a NUL character, invalid Unicode), puts
// the focus into that box, and returns false.
bool acceptable(const QString &text, const QString &boxName, QWidget *box = nullptr);

// The text without leading and trailing blanks (spaces); line breaks and
// tabs at either end are part of it and stay.
QString trimBlanks(const QString &text);

} // namespace InputText
