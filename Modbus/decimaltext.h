#pragma once

#include <QString>
#include <QtGlobal>

// Exact decimal arithmetic on number texts: typed values are never taken
// through binary floating point on their way to a register.
class DecimalText
{
public:
    // Reads an optional sign, digits with at most one decimal point and an
    // optional exponent ("-12.5", "7.", "1e3"). Returns false for anything else.
    static bool parse(const QString &text, DecimalText *out);

    // Multiplies by 10^n exactly.
    void shift(int n) { m_exponent += n; }
    // Rounds half away from zero to the given number of decimals.
    void roundToDecimals(int decimals);
    // Rounds half away from zero to the given number of significant digits.
    void roundToSignificant(int digits);
    // Plain decimal notation, never exponent form; trailing fraction zeros dropped.
    QString toPlainString() const;

private:
    void normalize();

    bool m_negative = false;
    QString m_digits;   // no leading zeros; empty means zero
    int m_exponent = 0; // value = digits x 10^exponent
};

// raw / 10^decimals in fixed notation with exactly that many decimals
// (12345 with 2 decimals gives "123.45", -5 with 1 gives "-0.5").
QString FormatScaled(qint64 raw, int decimals);

// The typed number x 10^decimals, rounded to an integer ("0" when the text is not a number).
QString ScaleToRawText(const QString &text, int decimals);

// The typed number x 10^factorDigits, rounded to six significant digits and
// written as a plain decimal ("1.2345" x 10^4 gives "12345", "10" x 10^5
// gives "1000000").
QString ScaleByFactorText(const QString &text, int factorDigits);
