#include "decimaltext.h"

#include <QRegularExpression>

namespace {

// Adds one to a string of decimal digits.
QString incremented(QString digits)
{
    int i = digits.size() - 1;
    while (i >= 0 && digits[i] == QLatin1Char('9')) {
        digits[i] = QLatin1Char('0');
        --i;
    }
    if (i < 0)
        digits.prepend(QLatin1Char('1'));
    else
        digits[i] = QChar(digits[i].unicode() + 1);
    return digits;
}

} // namespace

bool DecimalText::parse(const QString &text, DecimalText *out)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d{1,4}))?\\s*$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return false;
    const QString whole = m.captured(2);
    const QString fraction = m.captured(3);
    if (whole.isEmpty() && fraction.isEmpty())
        return false;
    DecimalText value;
    value.m_negative = m.captured(1) == QLatin1String("-");
    value.m_digits = whole + fraction;
    value.m_exponent = m.captured(4).toInt() - fraction.size();
    value.normalize();
    *out = value;
    return true;
}

void DecimalText::normalize()
{
    int lead = 0;
    while (lead < m_digits.size() && m_digits[lead] == QLatin1Char('0'))
        ++lead;
    m_digits.remove(0, lead);
    if (m_digits.isEmpty()) {
        m_negative = false;
        m_exponent = 0;
    }
}

void DecimalText::roundToDecimals(int decimals)
{
    const int drop = -decimals - m_exponent; // digits to remove at the right
    if (drop <= 0)
        return;
    if (drop > m_digits.size()) {
        m_digits.clear();
        normalize();
        return;
    }
    const bool up = m_digits[m_digits.size() - drop] >= QLatin1Char('5');
    m_digits.chop(drop);
    m_exponent += drop;
    if (up)
        m_digits = incremented(m_digits.isEmpty() ? QStringLiteral("0") : m_digits);
    normalize();
}

void DecimalText::roundToSignificant(int digits)
{
    if (m_digits.size() <= digits)
        return;
    // Keep `digits` digits: the lowest kept digit has exponent (size - digits) + m_exponent.
    roundToDecimals(-(m_exponent + m_digits.size() - digits));
}

QString DecimalText::toPlainString() const
{
    if (m_digits.isEmpty())
        return QStringLiteral("0");
    QString text;
    if (m_exponent >= 0) {
        text = m_digits + QString(m_exponent, QLatin1Char('0'));
    } else {
        const int fractionDigits = -m_exponent;
        QString padded = m_digits;
        if (padded.size() <= fractionDigits)
            padded.prepend(QString(fractionDigits - padded.size() + 1, QLatin1Char('0')));
        QString fraction = padded.right(fractionDigits);
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text = padded.left(padded.size() - fractionDigits);
        if (!fraction.isEmpty())
            text += QLatin1Char('.') + fraction;
    }
    return m_negative ? QLatin1Char('-') + text : text;
}

QString FormatScaled(qint64 raw, int decimals)
{
    const bool negative = raw < 0;
    QString digits = QString::number(negative ? -raw : raw);
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits.prepend(QString(decimals - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

QString ScaleToRawText(const QString &text, int decimals)
{
    DecimalText value;
    if (!DecimalText::parse(text, &value))
        return QStringLiteral("0");
    value.shift(decimals);
    value.roundToDecimals(0);
    return value.toPlainString();
}

QString ScaleByFactorText(const QString &text, int factorDigits)
{
    DecimalText value;
    if (!DecimalText::parse(text, &value))
        return QStringLiteral("0");
    value.shift(factorDigits);
    value.roundToSignificant(6);
    return value.toPlainString();
}
