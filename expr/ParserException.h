#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

// The one exception of the lexer, the parser and the evaluator. It carries a
// single message; the evaluation entry points catch it and report failure
// through their ok flag only.
class ParserException : public std::exception {
public:
    explicit ParserException(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
