#pragma once

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

// The rule of a digit field (the session number, the custom image size): its text holds the
// digits 0-9 only, however it arrives (typed, pasted, dropped), and with a limit no more digits
// than the limit has and no number above it. An edit that breaks the rule, such as a paste with
// a letter or a space, is refused whole and the text stays as it was. Text the program sets
// itself is not checked.
class DigitsValidator : public QRegularExpressionValidator {
public:
    static constexpr int noLimit = -1;

    explicit DigitsValidator(int limit, QObject* parent = nullptr)
        : QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent),
          limit_(limit) {}

    State validate(QString& text, int& pos) const override {
        if (QRegularExpressionValidator::validate(text, pos) != Acceptable)
            return Invalid;
        // The length is checked here rather than by the field's maximum length, which would cut
        // a long paste short (and could cut its letters away) instead of refusing it.
        if (limit_ != noLimit &&
            (text.size() > QString::number(limit_).size() || text.toInt() > limit_))
            return Invalid;
        return Acceptable;
    }

    // Puts the rule on the field.
    static void apply(QLineEdit* field, int limit) {
        field->setValidator(new DigitsValidator(limit, field));
    }

private:
    int limit_;
};
