#include "exchange/CellNumbers.h"

#include <QSet>

namespace exchange {

namespace {

// ASCII and full-width digits alike: both are typed on Chinese keyboards.
int digitAt(QStringView s, qsizetype i)
{
    if (i < 0 || i >= s.size())
        return -1;
    const char16_t c = s[i].unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'０' && c <= u'９')
        return c - u'０';
    return -1;
}

bool isPoint(QStringView s, qsizetype i) { return i < s.size() && (s[i] == u'.' || s[i] == u'．'); }
bool isMinus(QStringView s, qsizetype i) { return i < s.size() && (s[i] == u'-' || s[i] == u'－' || s[i] == u'−'); }

// Separators and blanks between a label and its neighbours.
bool isSeparator(QChar c)
{
    static const QString separators = QStringLiteral("/\\|,，、;；:：=＝()（）[]【】<>《》-－_~～*＊#＃+");
    return c.isSpace() || separators.contains(c);
}

// The word right in front of a number: "收入*/反向" gives 反向.
QString cleanLabel(QStringView text)
{
    qsizetype e = text.size();
    while (e > 0 && isSeparator(text[e - 1]))
        --e;
    qsizetype b = e;
    while (b > 0 && !isSeparator(text[b - 1]))
        --b;
    return text.sliced(b, e - b).toString();
}

} // namespace

QVector<CellNumber> cellNumbers(QStringView cell)
{
    QVector<CellNumber> found;
    QSet<QString> seen;
    qsizetype labelStart = 0;
    const qsizetype n = cell.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype start = i;
        bool negative = false;
        // A minus is a sign only before a digit and not right after one: in
        // "9-6" it separates, in "反向-3" it is a sign.
        if (isMinus(cell, i) && digitAt(cell, i + 1) >= 0 && digitAt(cell, i - 1) < 0) {
            negative = true;
            ++i;
        }
        if (digitAt(cell, i) < 0) {
            i = start + 1;
            continue;
        }
        QByteArray digits;
        if (negative)
            digits += '-';
        while (digitAt(cell, i) >= 0)
            digits += char('0' + digitAt(cell, i++));
        if (isPoint(cell, i) && digitAt(cell, i + 1) >= 0) {
            digits += '.';
            ++i;
            while (digitAt(cell, i) >= 0)
                digits += char('0' + digitAt(cell, i++));
        }
        const double value = digits.toDouble();
        QString label = cleanLabel(cell.sliced(labelStart, start - labelStart));
        if (label.isEmpty() && !found.isEmpty())
            label = QString::number(found.size() + 1);
        else if (seen.contains(label))
            label += QString::number(found.size() + 1);
        seen.insert(label);
        found.append({label, value});
        labelStart = i;
    }
    return found;
}

namespace {

template <class Text>
bool plainNumber(const Text &cell, double *value)
{
    const qsizetype n = cell.size();
    qsizetype i = 0;
    if (i < n && cell[i] == '-')
        ++i;
    const qsizetype intStart = i;
    while (i < n && cell[i] >= '0' && cell[i] <= '9')
        ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && cell[intStart] == '0'))
        return false;
    qsizetype fracDigits = 0;
    if (i < n && cell[i] == '.') {
        ++i;
        while (i < n && cell[i] >= '0' && cell[i] <= '9') {
            ++i;
            ++fracDigits;
        }
        if (fracDigits == 0)
            return false;
    }
    if (i != n || intDigits + fracDigits > 15)
        return false;
    if (value)
        *value = cell.toDouble();
    return true;
}

} // namespace

bool isPlainNumber(QStringView cell, double *value) { return plainNumber(cell, value); }

bool isPlainNumber(QByteArrayView utf8, double *value) { return plainNumber(utf8, value); }

QString seriesName(const QString &column, const QString &label)
{
    return label.isEmpty() ? column : column + QStringLiteral("·") + label;
}

} // namespace exchange
