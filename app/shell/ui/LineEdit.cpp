#include "shell/ui/LineEdit.h"

#include <QRegularExpressionValidator>

// Inside the class, ")-_" is a range: together with the other characters it
// admits every printable ASCII character from "!" to "~" and nothing else.
static const char kCustomPattern[] = "^[A-Za-z0-9`~!@#$%^&*()-_=+|{};:'\",<.>/?]*$";

customValidator::customValidator(QObject* parent)
    : QValidator(parent)
    , m_pattern(QString::fromLatin1(kCustomPattern))
{
}

QValidator::State customValidator::validate(QString& input, int& pos) const
{
    Q_UNUSED(pos);
    // "$" also matches before a final line break; the match must cover the
    // whole text, or "abc\n" would pass.
    const QRegularExpressionMatch match = m_pattern.match(input);
    return match.hasMatch() && match.capturedLength() == input.size() ? Acceptable : Invalid;
}

Latin1Validator::Latin1Validator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State Latin1Validator::validate(QString& input, int& pos) const
{
    Q_UNUSED(pos);
    for (const QChar c : qAsConst(input)) {
        const ushort u = c.unicode();
        if (u > 0xFF || u < 0x20 || (u >= 0x7F && u < 0xA0))
            return Invalid;
    }
    return Acceptable;
}

LineEdit::LineEdit(QWidget* parent, int maximumLength)
    : QLineEdit(parent)
    , m_maxLength(maximumLength)
{
    m_validator = new customValidator(this);
    setValidator(m_validator);
    // The edit itself keeps a paste of several characters within the limit;
    // doTextChanged alone could only take back one character per edit.
    setMaxLength(qMax(0, maximumLength));
    connect(this, &QLineEdit::textEdited, this, &LineEdit::doTextChanged);
}

void LineEdit::doTextChanged()
{
    if (text().toLatin1().size() > m_maxLength && cursorPosition() > 0) {
        cursorBackward(false, 1);
        del();
    }
}

IPLineEdit::IPLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    // Digits and dots only, as long as the longest dotted address; whether
    // the text is an address is checked when it is used.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]{0,15}")), this));
    setMaxLength(15);
}
