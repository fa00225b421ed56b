#include "PredicateParser.h"

#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/ConstantPredicate.h"
#include "platform/predicate/Expression.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

// Deeper nesting than any real predicate; keeps hostile input from exhausting the stack.
constexpr int kMaxDepth = 200;

const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

struct Token {
    enum class Type {
        End,
        Word, // identifier or keyword
        EscapedWord, // #identifier: always a key
        AtWord, // @count
        Variable,
        String,
        Number,
        Argument, // %@ %K %d %i %f
        Punct, // ( ) { } , .
        Operator, // = == != <> < <= =< > >= => && || !
        Options, // [cd]
    };
    Type type = Type::End;
    QString text;
    QVariant number;
    qsizetype position = 0;

    bool isWord(const char* keyword) const
    {
        return type == Type::Word && text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    bool is(Type t, const char* value) const { return type == t && text == QLatin1String(value); }
};

bool isIdentifierStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

class Lexer {
public:
    explicit Lexer(const QString& text) : m_text(text) { }

    // False with `message` set on a malformed token.
    bool next(Token& token, QString& message)
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
        token = Token();
        token.position = m_pos;
        if (m_pos >= m_text.size())
            return true;
        const QChar c = m_text[m_pos];
        const QChar n = m_pos + 1 < m_text.size() ? m_text[m_pos + 1] : QChar();
        if (isIdentifierStart(c)) {
            token.type = Token::Type::Word;
            token.text = identifier();
            return true;
        }
        if (c == QLatin1Char('#') || c == QLatin1Char('@') || c == QLatin1Char('$')) {
            ++m_pos;
            if (m_pos >= m_text.size() || !isIdentifierStart(m_text[m_pos])) {
                message = QStringLiteral("a name must follow '%1'").arg(c);
                return false;
            }
            token.type = c == QLatin1Char('#') ? Token::Type::EscapedWord
                : c == QLatin1Char('@')        ? Token::Type::AtWord
                                               : Token::Type::Variable;
            token.text = identifier();
            if (token.type == Token::Type::AtWord)
                token.text.prepend(QLatin1Char('@'));
            return true;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            return string(token, message);
        if (c.isDigit() || ((c == QLatin1Char('-') || c == QLatin1Char('.')) && n.isDigit())
            || (c == QLatin1Char('-') && n == QLatin1Char('.')))
            return number(token, message);
        if (c == QLatin1Char('%'))
            return argument(token, message);
        if (c == QLatin1Char('[')) {
            const qsizetype close = m_text.indexOf(QLatin1Char(']'), m_pos);
            if (close < 0) {
                message = QStringLiteral("unclosed '['");
                return false;
            }
            token.type = Token::Type::Options;
            token.text = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            return true;
        }
        if (QStringLiteral("(){},.").contains(c)) {
            token.type = Token::Type::Punct;
            token.text = c;
            ++m_pos;
            return true;
        }
        static const char* const operators[]
            = { "==", "!=", "<>", "<=", "=<", ">=", "=>", "&&", "||", "=", "<", ">", "!" };
        for (const char* op : operators) {
            if (QStringView(m_text).mid(m_pos).startsWith(QLatin1String(op))) {
                token.type = Token::Type::Operator;
                token.text = QLatin1String(op);
                m_pos += token.text.size();
                return true;
            }
        }
        message = QStringLiteral("unexpected character '%1'").arg(c);
        return false;
    }

private:
    QString identifier()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isIdentifierPart(m_text[m_pos]))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    bool string(Token& token, QString& message)
    {
        const QChar quote = m_text[m_pos++];
        QString value;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos++];
            if (c == quote) {
                token.type = Token::Type::String;
                token.text = value;
                return true;
            }
            if (c != QLatin1Char('\\') || m_pos >= m_text.size()) {
                value += c;
                continue;
            }
            const QChar e = m_text[m_pos++];
            switch (e.unicode()) {
            case 'n':
                value += QLatin1Char('\n');
                break;
            case 't':
                value += QLatin1Char('\t');
                break;
            case 'r':
                value += QLatin1Char('\r');
                break;
            case '\\':
            case '"':
            case '\'':
                value += e;
                break;
            case 'u': {
                bool ok = false;
                const ushort unit = m_text.mid(m_pos, 4).toUShort(&ok, 16);
                if (!ok || m_text.mid(m_pos, 4).size() != 4) {
                    message = QStringLiteral("bad \\u escape");
                    return false;
                }
                value += QChar(unit);
                m_pos += 4;
                break;
            }
            default:
                // Other escapes stay as written, so regular expressions such as '^\s*$' keep
                // their meaning.
                value += QLatin1Char('\\');
                value += e;
                break;
            }
        }
        message = QStringLiteral("unterminated string");
        return false;
    }

    bool number(Token& token, QString& message)
    {
        const qsizetype start = m_pos;
        bool negative = false;
        if (m_text[m_pos] == QLatin1Char('-')) {
            negative = true;
            ++m_pos;
        }
        const auto digitsAt = [this](qsizetype pos, bool hex) {
            qsizetype end = pos;
            while (end < m_text.size()
                && (m_text[end].isDigit()
                    || (hex && QStringLiteral("abcdefABCDEF").contains(m_text[end]))))
                ++end;
            return end;
        };
        token.type = Token::Type::Number;
        if (m_text.mid(m_pos, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0) {
            const qsizetype end = digitsAt(m_pos + 2, true);
            bool ok = false;
            const qlonglong value = m_text.mid(m_pos + 2, end - m_pos - 2).toLongLong(&ok, 16);
            if (!ok) {
                message = QStringLiteral("bad hexadecimal number");
                return false;
            }
            token.number = qint64(negative ? -value : value);
            m_pos = end;
        } else {
            qsizetype end = digitsAt(m_pos, false);
            bool floating = false;
            if (end < m_text.size() && m_text[end] == QLatin1Char('.')) {
                floating = true;
                end = digitsAt(end + 1, false);
            }
            if (end < m_text.size()
                && (m_text[end] == QLatin1Char('e') || m_text[end] == QLatin1Char('E'))) {
                qsizetype exponent = end + 1;
                if (exponent < m_text.size()
                    && (m_text[exponent] == QLatin1Char('+')
                        || m_text[exponent] == QLatin1Char('-')))
                    ++exponent;
                const qsizetype exponentEnd = digitsAt(exponent, false);
                if (exponentEnd == exponent) {
                    message = QStringLiteral("bad exponent");
                    return false;
                }
                floating = true;
                end = exponentEnd;
            }
            const QByteArray text = m_text.mid(start, end - start).toLatin1();
            if (!floating) {
                qint64 value = 0;
                const auto result = std::from_chars(text.begin(), text.end(), value);
                if (result.ec == std::errc())
                    token.number = value;
                else
                    floating = true; // too large for 64 bits
            }
            if (floating) {
                double value = 0;
                const auto result = std::from_chars(text.begin(), text.end(), value);
                if (result.ec == std::errc::result_out_of_range) {
                    // Overflow becomes infinity, underflow zero.
                    const bool tiny = text.contains("e-") || text.contains("E-");
                    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
                    if (negative)
                        value = -value;
                } else if (result.ec != std::errc()) {
                    message = QStringLiteral("bad number");
                    return false;
                }
                token.number = value;
            }
            m_pos = end;
        }
        if (m_pos < m_text.size()
            && (isIdentifierPart(m_text[m_pos]) || m_text[m_pos] == QLatin1Char('.'))) {
            message = QStringLiteral("bad number");
            return false;
        }
        return true;
    }

    bool argument(Token& token, QString& message)
    {
        ++m_pos;
        qsizetype end = m_pos;
        while (end < m_text.size() && m_text[end] == QLatin1Char('l') && end - m_pos < 2)
            ++end;
        const QChar kind = end < m_text.size() ? m_text[end] : QChar();
        const bool lengthModifier = end > m_pos;
        if (!QStringLiteral("@Kdiuf").contains(kind) || kind.isNull()
            || (lengthModifier && !QStringLiteral("diuf").contains(kind))) {
            message = QStringLiteral("unknown format specifier");
            return false;
        }
        token.type = Token::Type::Argument;
        token.text = kind == QLatin1Char('u') ? QStringLiteral("d") : QString(kind);
        m_pos = end + 1;
        return true;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

class Parser {
public:
    Parser(const QString& format, const QVariantList& args) : m_lexer(format), m_args(args) { }

    PredicateRef parse(Error* error)
    {
        advance();
        PredicateRef predicate = m_failed ? nullptr : parseOr();
        if (!m_failed && m_token.type != Token::Type::End)
            fail(QStringLiteral("unexpected text"));
        if (m_failed) {
            Error::set(error, m_error);
            return nullptr;
        }
        return predicate;
    }

private:
    using Type = Token::Type;

    struct DepthGuard {
        explicit DepthGuard(Parser& parser) : m_parser(parser) { ++m_parser.m_depth; }
        ~DepthGuard() { --m_parser.m_depth; }
        Parser& m_parser;
    };

    void advance()
    {
        QString message;
        if (!m_lexer.next(m_token, message))
            fail(message);
    }

    // Records the first failure; every caller returns null once one exists.
    std::nullptr_t fail(const QString& message, const Error& cause = {})
    {
        if (!m_failed) {
            m_failed = true;
            m_error = Error(kCocoaErrorDomain, PredicateFormatErrorCode,
                QStringLiteral("Unable to parse the predicate format."),
                QStringLiteral("%1 at offset %2").arg(message).arg(m_token.position));
            if (cause)
                m_error.setUnderlyingError(cause);
        }
        return nullptr;
    }

    bool expect(Type type, const char* text)
    {
        if (m_failed)
            return false;
        if (!m_token.is(type, text)) {
            fail(QStringLiteral("expected '%1'").arg(QLatin1String(text)));
            return false;
        }
        advance();
        return !m_failed;
    }

    bool tooDeep()
    {
        if (m_depth > kMaxDepth) {
            fail(QStringLiteral("nesting too deep"));
            return true;
        }
        return false;
    }

    PredicateRef parseCompound(CompoundPredicate::Type type)
    {
        const bool isAnd = type == CompoundPredicate::Type::And;
        QList<PredicateRef> parts;
        PredicateRef first = isAnd ? parseNot() : parseCompound(CompoundPredicate::Type::And);
        if (!first)
            return nullptr;
        parts << first;
        while (isAnd ? (m_token.isWord("AND") || m_token.is(Type::Operator, "&&"))
                     : (m_token.isWord("OR") || m_token.is(Type::Operator, "||"))) {
            advance();
            PredicateRef next = m_failed ? nullptr
                : isAnd                  ? parseNot()
                                         : parseCompound(CompoundPredicate::Type::And);
            if (!next)
                return nullptr;
            parts << next;
        }
        if (parts.size() == 1)
            return parts.first();
        return std::make_shared<CompoundPredicate>(type, parts);
    }

    PredicateRef parseOr() { return parseCompound(CompoundPredicate::Type::Or); }

    PredicateRef parseNot()
    {
        DepthGuard guard(*this);
        if (tooDeep())
            return nullptr;
        if (m_token.isWord("NOT") || m_token.is(Type::Operator, "!")) {
            advance();
            PredicateRef inner = m_failed ? nullptr : parseNot();
            return inner ? CompoundPredicate::notPredicate(inner) : nullptr;
        }
        if (m_token.is(Type::Punct, "(")) {
            advance();
            PredicateRef inner = m_failed ? nullptr : parseOr();
            if (!inner || !expect(Type::Punct, ")"))
                return nullptr;
            return inner;
        }
        if (m_token.isWord("TRUEPREDICATE") || m_token.isWord("FALSEPREDICATE")) {
            const bool value = m_token.isWord("TRUEPREDICATE");
            advance();
            return m_failed ? nullptr : Predicate::predicateWithValue(value);
        }
        return parseComparison();
    }

    PredicateRef parseComparison()
    {
        auto modifier = ComparisonPredicate::Modifier::Direct;
        bool none = false;
        if (m_token.isWord("ANY") || m_token.isWord("SOME")) {
            modifier = ComparisonPredicate::Modifier::Any;
        } else if (m_token.isWord("ALL")) {
            modifier = ComparisonPredicate::Modifier::All;
        } else if (m_token.isWord("NONE")) {
            modifier = ComparisonPredicate::Modifier::Any;
            none = true;
        }
        if (modifier != ComparisonPredicate::Modifier::Direct)
            advance();
        ExpressionRef left = m_failed ? nullptr : parseExpression();
        if (!left)
            return nullptr;
        const auto op = parseOperator();
        if (!op)
            return fail(QStringLiteral("expected a comparison operator"));
        advance();
        int options = ComparisonPredicate::NoOptions;
        if (!m_failed && m_token.type == Type::Options) {
            for (const QChar c : m_token.text) {
                if (c.toLower() == QLatin1Char('c'))
                    options |= ComparisonPredicate::CaseInsensitive;
                else if (c.toLower() == QLatin1Char('d'))
                    options |= ComparisonPredicate::DiacriticInsensitive;
                else
                    return fail(QStringLiteral("unknown comparison option '%1'").arg(c));
            }
            advance();
        }
        ExpressionRef right = m_failed ? nullptr : parseExpression();
        if (!right)
            return nullptr;
        Error patternError;
        PredicateRef comparison
            = ComparisonPredicate::create(left, right, *op, options, modifier, &patternError);
        if (!comparison)
            return fail(QStringLiteral("invalid regular expression"), patternError);
        return none ? CompoundPredicate::notPredicate(comparison) : comparison;
    }

    std::optional<ComparisonPredicate::Operator> parseOperator() const
    {
        using Op = ComparisonPredicate::Operator;
        if (m_token.type == Type::Operator) {
            const QString& t = m_token.text;
            if (t == QLatin1String("=") || t == QLatin1String("=="))
                return Op::EqualTo;
            if (t == QLatin1String("!=") || t == QLatin1String("<>"))
                return Op::NotEqualTo;
            if (t == QLatin1String("<"))
                return Op::LessThan;
            if (t == QLatin1String("<=") || t == QLatin1String("=<"))
                return Op::LessThanOrEqualTo;
            if (t == QLatin1String(">"))
                return Op::GreaterThan;
            if (t == QLatin1String(">=") || t == QLatin1String("=>"))
                return Op::GreaterThanOrEqualTo;
            return std::nullopt;
        }
        static const std::pair<const char*, Op> words[] = {
            { "IN", Op::In },
            { "CONTAINS", Op::Contains },
            { "BEGINSWITH", Op::BeginsWith },
            { "ENDSWITH", Op::EndsWith },
            { "LIKE", Op::Like },
            { "MATCHES", Op::Matches },
        };
        for (const auto& [word, op] : words) {
            if (m_token.isWord(word))
                return op;
        }
        return std::nullopt;
    }

    ExpressionRef parseExpression()
    {
        DepthGuard guard(*this);
        if (tooDeep())
            return nullptr;
        ExpressionRef expression = parsePrimaryExpression();
        while (expression && m_token.is(Type::Punct, ".")) {
            const auto base = expression->type();
            if (base == Expression::Type::Constant || base == Expression::Type::Aggregate)
                return fail(QStringLiteral("a key path needs an object"));
            advance();
            if (m_failed)
                return nullptr;
            QString key = m_token.text;
            if (m_token.type == Type::AtWord) {
                if (key != QLatin1String("@count"))
                    return fail(QStringLiteral("unknown operator %1").arg(key));
            } else if (m_token.type != Type::Word && m_token.type != Type::EscapedWord) {
                return fail(QStringLiteral("expected a key"));
            }
            advance();
            expression = m_failed ? nullptr : Expression::keyPath(key, expression);
        }
        return expression;
    }

    ExpressionRef parsePrimaryExpression()
    {
        const Token token = m_token;
        switch (token.type) {
        case Type::Word:
            return parseWord(token);
        case Type::EscapedWord:
            advance();
            return m_failed ? nullptr : Expression::keyPath(token.text);
        case Type::AtWord:
            if (token.text != QLatin1String("@count"))
                return fail(QStringLiteral("unknown operator %1").arg(token.text));
            advance();
            return m_failed ? nullptr : Expression::keyPath(token.text);
        case Type::Variable:
            advance();
            return m_failed ? nullptr : Expression::variable(token.text);
        case Type::String:
            advance();
            return m_failed ? nullptr : Expression::constant(token.text);
        case Type::Number:
            advance();
            return m_failed ? nullptr : Expression::constant(token.number);
        case Type::Argument:
            return parseArgument(token);
        case Type::Punct:
            if (token.text == QLatin1String("{"))
                return parseAggregate();
            break;
        default:
            break;
        }
        return fail(QStringLiteral("expected a value or a key"));
    }

    ExpressionRef parseWord(const Token& token)
    {
        const QString word = token.text.toUpper();
        QVariant literal;
        bool isLiteral = true;
        if (word == QLatin1String("NIL") || word == QLatin1String("NULL"))
            literal = QVariant();
        else if (word == QLatin1String("TRUE") || word == QLatin1String("YES"))
            literal = true;
        else if (word == QLatin1String("FALSE") || word == QLatin1String("NO"))
            literal = false;
        else
            isLiteral = false;
        if (isLiteral) {
            advance();
            return m_failed ? nullptr : Expression::constant(literal);
        }
        if (word == QLatin1String("SELF")) {
            advance();
            return m_failed ? nullptr : Expression::evaluatedObject();
        }
        if (word == QLatin1String("SUBQUERY"))
            return parseSubquery();
        if (word == QLatin1String("CAST"))
            return parseCast();
        if (PredicateParser::isReservedWord(word))
            return fail(QStringLiteral("unexpected keyword %1").arg(token.text));
        advance();
        return m_failed ? nullptr : Expression::keyPath(token.text);
    }

    ExpressionRef parseArgument(const Token& token)
    {
        if (m_nextArg >= m_args.size())
            return fail(QStringLiteral("missing argument for %%1").arg(token.text));
        const QVariant arg = m_args.at(m_nextArg++);
        advance();
        if (m_failed)
            return nullptr;
        if (token.text == QLatin1String("K")) {
            const QString key = arg.toString();
            if (arg.metaType().id() != QMetaType::QString || key.isEmpty())
                return fail(QStringLiteral("%K needs a key path"));
            return Expression::keyPath(key);
        }
        if (token.text == QLatin1String("d") || token.text == QLatin1String("i"))
            return Expression::constant(qint64(arg.toLongLong()));
        if (token.text == QLatin1String("f"))
            return Expression::constant(arg.toDouble());
        return Expression::constant(arg);
    }

    ExpressionRef parseAggregate()
    {
        advance();
        QList<ExpressionRef> elements;
        bool allConstant = true;
        if (!m_failed && !m_token.is(Type::Punct, "}")) {
            for (;;) {
                ExpressionRef element = parseExpression();
                if (!element)
                    return nullptr;
                allConstant = allConstant && element->type() == Expression::Type::Constant;
                elements << element;
                if (!m_token.is(Type::Punct, ","))
                    break;
                advance();
            }
        }
        if (!expect(Type::Punct, "}"))
            return nullptr;
        if (!allConstant)
            return Expression::aggregate(elements);
        // A list of literals is one constant, as a list argument would be.
        QVariantList values;
        for (const ExpressionRef& element : elements)
            values << element->constantValue();
        return Expression::constant(values);
    }

    ExpressionRef parseSubquery()
    {
        advance();
        if (!expect(Type::Punct, "("))
            return nullptr;
        ExpressionRef collection = parseExpression();
        if (!collection || !expect(Type::Punct, ","))
            return nullptr;
        if (m_token.type != Type::Variable)
            return fail(QStringLiteral("SUBQUERY needs a $variable"));
        const QString variable = m_token.text;
        advance();
        if (!expect(Type::Punct, ","))
            return nullptr;
        DepthGuard guard(*this);
        PredicateRef predicate = tooDeep() ? nullptr : parseOr();
        if (!predicate || !expect(Type::Punct, ")"))
            return nullptr;
        return Expression::subquery(collection, variable, predicate);
    }

    // CAST(<seconds since 2001>, "NSDate"): the printed form of a date constant.
    ExpressionRef parseCast()
    {
        advance();
        if (!expect(Type::Punct, "("))
            return nullptr;
        const Token value = m_token;
        if (value.type != Type::Number)
            return fail(QStringLiteral("CAST needs a number"));
        advance();
        if (!expect(Type::Punct, ","))
            return nullptr;
        if (m_token.type != Type::String || m_token.text != QLatin1String("NSDate"))
            return fail(QStringLiteral("CAST supports only \"NSDate\""));
        advance();
        if (!expect(Type::Punct, ")"))
            return nullptr;
        const double seconds = value.number.toDouble();
        if (!std::isfinite(seconds) || std::abs(seconds) > 1e14)
            return fail(QStringLiteral("date out of range"));
        return Expression::constant(PredicateParser::dateFromReferenceSeconds(seconds));
    }

    Lexer m_lexer;
    const QVariantList& m_args;
    qsizetype m_nextArg = 0;
    Token m_token;
    int m_depth = 0;
    bool m_failed = false;
    Error m_error;
};

} // namespace

std::shared_ptr<Predicate> PredicateParser::parse(
    const QString& format, const QVariantList& args, Error* error)
{
    Parser parser(format, args);
    PredicateRef predicate = parser.parse(error);
    return std::const_pointer_cast<Predicate>(predicate);
}

bool PredicateParser::isReservedWord(const QString& word)
{
    static const char* const words[] = { "AND", "OR", "NOT", "ANY", "SOME", "ALL", "NONE", "IN",
        "CONTAINS", "BEGINSWITH", "ENDSWITH", "LIKE", "MATCHES", "NIL", "NULL", "TRUE", "FALSE",
        "YES", "NO", "SELF", "TRUEPREDICATE", "FALSEPREDICATE", "SUBQUERY", "CAST" };
    for (const char* reserved : words) {
        if (word.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString PredicateParser::quoted(const QString& text)
{
    QString result = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            result += QStringLiteral("\\\"");
            break;
        case '\\':
            result += QStringLiteral("\\\\");
            break;
        case '\n':
            result += QStringLiteral("\\n");
            break;
        case '\t':
            result += QStringLiteral("\\t");
            break;
        case '\r':
            result += QStringLiteral("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                result += c;
        }
    }
    return result + QLatin1Char('"');
}

double PredicateParser::secondsSinceReferenceDate(const QDateTime& date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime PredicateParser::dateFromReferenceSeconds(double seconds)
{
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

} // namespace platform
