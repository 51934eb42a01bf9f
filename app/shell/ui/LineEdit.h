#pragma once
// Input widgets that the pages share.
//
// LineEdit takes only the printable ASCII characters "!" (33) to "~" (126),
// which is what devices accept in user names, passwords and similar fields,
// and at most a given number of them. A typed or pasted text with any other
// character (a space, an accented letter) is refused as a whole.
#include <QLineEdit>
#include <QRegularExpression>
#include <QValidator>

class customValidator : public QValidator
{
    Q_OBJECT

public:
    explicit customValidator(QObject* parent = nullptr);

    // Acceptable when every character lies in "!" to "~" (the empty text
    // too), else Invalid.
    State validate(QString& input, int& pos) const override;

    const QRegularExpression& pattern() const { return m_pattern; }

private:
    QRegularExpression m_pattern;
};

// Refuses any character that Latin-1 cannot hold (and control characters):
// for texts that are stored or sent as Latin-1, where such a character would
// silently become "?".
class Latin1Validator : public QValidator
{
    Q_OBJECT

public:
    explicit Latin1Validator(QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
};

class LineEdit : public QLineEdit
{
    Q_OBJECT

public:
    // `maximumLength` in Latin-1 bytes, which for the accepted characters is
    // characters.
    LineEdit(QWidget* parent, int maximumLength);

    int maximumLength() const { return m_maxLength; }

public slots:
    void doTextChanged();

private:
    int m_maxLength = 0;
    customValidator* m_validator = nullptr;
};

// A line edit of its own class for device addresses: it takes digits and
// dots only, at most 15 of them (the checks of a whole address are the
// caller's).
class IPLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit IPLineEdit(QWidget* parent = nullptr);
};
