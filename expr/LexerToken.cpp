#include "expr/LexerToken.h"

#include <QStringView>

namespace {

// The subject is not checked for valid UTF-16: the check would scan the whole
// rest of the text on every call, making a long expression quadratic. The
// patterns of the lexer consume ASCII characters only, so a lone surrogate is
// simply a character that no pattern accepts.
constexpr QRegularExpression::MatchOptions AtPositionOnly =
    QRegularExpression::AnchoredMatchOption | QRegularExpression::DontCheckSubjectStringMatchOption;

}  // namespace

RegularExpressionLexerToken::RegularExpressionLexerToken(const QString& pattern, int tokenType, Precedence precedence)
    : LexerToken(tokenType, precedence), expression_(pattern)
{
    Q_ASSERT(expression_.isValid());
    expression_.optimize();
    // A character can begin a match exactly when the pattern matches it
    // completely or runs out of subject after it.
    for (int code = 0; code < 256; ++code) {
        const QRegularExpressionMatch found =
            expression_.match(QString(QChar(code)), 0, QRegularExpression::PartialPreferCompleteMatch,
                              QRegularExpression::AnchoredMatchOption);
        possibleFirst_[code] = found.hasMatch() || found.hasPartialMatch();
    }
}

QString RegularExpressionLexerToken::match(const QString& text, int position) const
{
    if (position >= text.size())
        return QString();
    const ushort first = text.at(position).unicode();
    if (first < 256 && !possibleFirst_[first])
        return QString();
    const QRegularExpressionMatch found =
        expression_.match(text, position, QRegularExpression::NormalMatch, AtPositionOnly);
    if (!found.hasMatch() || found.capturedLength() == 0)
        return QString();
    return found.captured();
}

QString CharacterLexerToken::match(const QString& text, int position) const
{
    if (position < text.size() && text.at(position) == character_)
        return QString(character_);
    return QString();
}

QString CategoryLexerToken::match(const QString& text, int position) const
{
    int end = position;
    while (end < text.size() && text.at(end).category() == category_ &&
           (maxLength_ == 0 || end - position < maxLength_))
        ++end;
    if (end == position)
        return QString();
    return text.mid(position, end - position);
}

QString StringLexerToken::match(const QString& text, int position) const
{
    if (position <= text.size() && QStringView(text).mid(position).startsWith(string_))
        return string_;
    return QString();
}

QString CStyleStringLiteralLexerToken::match(const QString& text, int position) const
{
    const QChar quote = QLatin1Char('"');
    if (position >= text.size() || text.at(position) != quote)
        return QString();
    for (int end = position + 1; end < text.size(); ++end) {
        if (text.at(end) == quote && text.at(end - 1) != QLatin1Char('\\'))
            return text.mid(position, end - position + 1);
    }
    return QString();
}
