#include "platform/services/AdoCriteria.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/TextUtils.h"
#include "platform/services/AdoRecordset.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

namespace {

// ---------------------------------------------------------------------------------------------
// Comparing values

bool IsNumber(TVarType type)
{
    switch (type) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varBoolean:
    case varDecimal:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return true;
    default:
        return false;
    }
}

bool IsWholeNumber(TVarType type)
{
    return type == varSmallint || type == varInteger || type == varShortInt || type == varByte || type == varWord ||
           type == varLongWord || type == varInt64 || type == varBoolean;
}

template <typename T> int Compare(const T& a, const T& b) { return a < b ? -1 : b < a ? 1 : 0; }

char16_t Folded(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

int CompareFolded(std::u16string_view a, std::u16string_view b)
{
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (const int order = Compare(Folded(a[i]), Folded(b[i])))
            return order;
    return Compare(a.size(), b.size());
}

int CompareTexts(std::u16string_view a, std::u16string_view b)
{
    if (const int order = CompareFolded(a, b))
        return order;
    return Compare(a, b);
}

bool IsNullValue(const Variant& value) { return value.IsNull() || value.IsEmpty(); }

} // namespace

int AdoCompareValues(const Variant& a, const Variant& b)
{
    const bool aNull = IsNullValue(a), bNull = IsNullValue(b);
    if (aNull || bNull)
        return Compare(!aNull, !bNull);
    const TVarType aType = a.VarType(), bType = b.VarType();
    if (IsNumber(aType) && IsNumber(bType)) {
        if (IsWholeNumber(aType) && IsWholeNumber(bType))
            return Compare(a.AsInt64(), b.AsInt64());
        return Compare(a.AsDouble(), b.AsDouble());
    }
    if (aType == varOleStr && bType == varOleStr)
        return CompareTexts(a.TextValue(), b.TextValue());
    if (aType == (varArray | varByte) && bType == aType)
        return Compare(a.BytesValue(), b.BytesValue());
    return Compare(aType, bType);
}

// ---------------------------------------------------------------------------------------------
// The criteria's tree

namespace {

enum class Operator { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual, Like };

// A value as written: its text, and what it reads as when it is more than text.
struct Literal {
    enum class Kind { Null, Number, Boolean, Text, Date } kind = Kind::Null;
    std::u16string text;
    Variant value; // the number, boolean or date
};

struct Condition {
    size_t column = 0;
    Operator op = Operator::Equal;
    Literal literal;
};

} // namespace

struct AdoCriteria::Node {
    enum class Join { None, And, Or } join = Join::None;
    Condition condition;                          // without a join
    std::vector<std::shared_ptr<const Node>> all; // with one
};

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the text

struct Token {
    enum class Kind { End, Open, Close, Word, Name, Quoted, Hashed, Operator } kind = Kind::End;
    std::string text;
};

bool IsDelimiter(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || std::string_view("()<>=[]'#").find(c) != std::string::npos;
}

bool IsTextColumn(int type)
{
    return type == adChar || type == adWChar || type == adVarChar || type == adVarWChar || type == adLongVarChar ||
           type == adLongVarWChar;
}

// A date in #...#: YYYY-MM-DD, optionally followed by HH:MM:SS.
std::optional<double> IsoDate(std::string_view text)
{
    TDateParts parts;
    char tail = 0;
    const std::string copy(text);
    const int read = std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &parts.year, &parts.month, &parts.day,
                                 &parts.hour, &parts.minute, &parts.second, &tail);
    if ((read != 3 && read != 6) || (read == 3 && copy.size() != 10) || (read == 6 && copy.size() != 19) ||
        parts.month < 1 || parts.month > 12 || parts.day < 1 || parts.day > 31 || parts.hour > 23 ||
        parts.minute > 59 || parts.second > 59 || parts.hour < 0 || parts.minute < 0 || parts.second < 0)
        return std::nullopt;
    return EncodeOleDate(parts);
}

// A number with "." for decimals and an optional sign, read the same under every locale.
std::optional<Variant> Number(std::string_view text)
{
    std::string_view digits = text;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789.") != std::string_view::npos ||
        std::count(digits.begin(), digits.end(), '.') > 1 || digits == ".")
        return std::nullopt;
    const std::string_view signedText = text.front() == '+' ? text.substr(1) : text;
    if (digits.find('.') == std::string_view::npos) {
        std::int64_t whole = 0;
        const auto [end, error] = std::from_chars(signedText.data(), signedText.data() + signedText.size(), whole);
        if (error == std::errc() && end == signedText.data() + signedText.size())
            return Variant::Integer(whole, varInt64);
    }
    double real = 0;
    const auto [end, error] = std::from_chars(signedText.data(), signedText.data() + signedText.size(), real);
    if (error != std::errc() || end != signedText.data() + signedText.size())
        return std::nullopt;
    return Variant::Double(real);
}

std::u16string Wide(std::string_view text) { return Variant::FromString(text).AsWideString(); }

class Reader {
public:
    Reader(std::string_view text, const std::vector<OdbcColumn>& columns) : text_(text), columns_(columns) {}

    std::shared_ptr<const AdoCriteria::Node> Read()
    {
        Advance();
        auto root = Either();
        if (token_.kind != Token::Kind::End)
            Fail();
        return root;
    }

private:
    [[noreturn]] void Fail() const
    {
        throw EOleException("Invalid filter or search criteria: " + Win1252ToUtf8(text_));
    }

    bool IsWord(std::string_view word) const { return token_.kind == Token::Kind::Word && SameText(token_.text, word); }

    // Text up to the closing character; a doubled one inside stands for itself where `doubles` says so.
    std::string Enclosed(char close, bool doubles)
    {
        std::string text;
        for (;;) {
            if (at_ >= text_.size())
                Fail();
            const char c = text_[at_++];
            if (c != close) {
                text += c;
            } else if (doubles && at_ < text_.size() && text_[at_] == close) {
                text += c;
                ++at_;
            } else {
                return text;
            }
        }
    }

    void Advance()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
        token_ = {};
        if (at_ >= text_.size())
            return;
        const char c = text_[at_++];
        if (c == '(' || c == ')') {
            token_.kind = c == '(' ? Token::Kind::Open : Token::Kind::Close;
        } else if (c == '[') {
            token_ = {Token::Kind::Name, Enclosed(']', false)};
        } else if (c == '\'') {
            token_ = {Token::Kind::Quoted, Enclosed('\'', true)};
        } else if (c == '#') {
            token_ = {Token::Kind::Hashed, Enclosed('#', false)};
        } else if (c == '<' || c == '>' || c == '=') {
            token_ = {Token::Kind::Operator, std::string(1, c)};
            if (c != '=' && at_ < text_.size() && (text_[at_] == '=' || (c == '<' && text_[at_] == '>')))
                token_.text += text_[at_++];
        } else if (c == ']') {
            Fail();
        } else {
            const size_t start = at_ - 1;
            while (at_ < text_.size() && !IsDelimiter(text_[at_]))
                ++at_;
            token_ = {Token::Kind::Word, std::string(text_.substr(start, at_ - start))};
        }
    }

    std::shared_ptr<const AdoCriteria::Node> Joined(AdoCriteria::Node::Join join, std::string_view word,
                                                    std::shared_ptr<const AdoCriteria::Node> (Reader::*part)())
    {
        auto first = (this->*part)();
        if (!IsWord(word))
            return first;
        auto node = std::make_shared<AdoCriteria::Node>();
        node->join = join;
        node->all.push_back(std::move(first));
        while (IsWord(word)) {
            Advance();
            node->all.push_back((this->*part)());
        }
        return node;
    }

    std::shared_ptr<const AdoCriteria::Node> Either()
    {
        return Joined(AdoCriteria::Node::Join::Or, "OR", &Reader::Both);
    }
    std::shared_ptr<const AdoCriteria::Node> Both()
    {
        return Joined(AdoCriteria::Node::Join::And, "AND", &Reader::Single);
    }

    std::shared_ptr<const AdoCriteria::Node> Single()
    {
        if (token_.kind == Token::Kind::Open) {
            Advance();
            auto inner = Either();
            if (token_.kind != Token::Kind::Close)
                Fail();
            Advance();
            return inner;
        }
        auto node = std::make_shared<AdoCriteria::Node>();
        node->condition.column = Column();
        node->condition.op = ReadOperator();
        node->condition.literal = Value(columns_[node->condition.column]);
        const bool nullTest = node->condition.literal.kind == Literal::Kind::Null;
        if (nullTest && node->condition.op != Operator::Equal && node->condition.op != Operator::NotEqual)
            Fail();
        return node;
    }

    size_t Column()
    {
        const bool plain = token_.kind == Token::Kind::Word && !IsWord("AND") && !IsWord("OR") && !IsWord("LIKE");
        if (!plain && token_.kind != Token::Kind::Name)
            Fail();
        const std::string name = Trim(token_.text);
        const auto found = std::find_if(columns_.begin(), columns_.end(),
                                        [&](const OdbcColumn& column) { return SameText(column.name, name); });
        if (found == columns_.end())
            RaiseAdoItemNotFound(name);
        Advance();
        return static_cast<size_t>(found - columns_.begin());
    }

    Operator ReadOperator()
    {
        static const std::pair<std::string_view, Operator> operators[] = {
            {"=", Operator::Equal},   {"<>", Operator::NotEqual},    {"<", Operator::Less},
            {">", Operator::Greater}, {"<=", Operator::LessOrEqual}, {">=", Operator::GreaterOrEqual}};
        if (IsWord("LIKE")) {
            Advance();
            return Operator::Like;
        }
        if (token_.kind != Token::Kind::Operator)
            Fail();
        const auto found = std::find_if(std::begin(operators), std::end(operators),
                                        [&](const auto& entry) { return entry.first == token_.text; });
        Advance();
        return found->second;
    }

    Literal Value(const OdbcColumn& column)
    {
        Literal literal;
        const Token token = token_;
        Advance();
        literal.text = Wide(token.text);
        switch (token.kind) {
        case Token::Kind::Quoted:
            literal.kind = Literal::Kind::Text;
            return literal;
        case Token::Kind::Hashed:
            if (const auto date = IsoDate(token.text)) {
                literal.kind = Literal::Kind::Date;
                literal.value = Variant::Date(*date);
                return literal;
            }
            if (!IsTextColumn(column.type))
                Fail();
            literal.kind = Literal::Kind::Text;
            return literal;
        case Token::Kind::Word:
            if (SameText(token.text, "NULL"))
                return literal;
            if (SameText(token.text, "True") || SameText(token.text, "False")) {
                literal.kind = Literal::Kind::Boolean;
                literal.value = Variant::Boolean(SameText(token.text, "True"));
                return literal;
            }
            if (const auto number = Number(token.text)) {
                literal.kind = Literal::Kind::Number;
                literal.value = *number;
                return literal;
            }
            Fail();
        default:
            Fail();
        }
    }

    std::string_view text_;
    const std::vector<OdbcColumn>& columns_;
    size_t at_ = 0;
    Token token_;
};

// ---------------------------------------------------------------------------------------------
// Matching

bool IsWildcard(char16_t c) { return c == u'*' || c == u'%'; }

// "*" and "%" stand for any run of characters; letters match without regard to case. A mismatch
// after a wildcard lets that wildcard take one more character, so no text is tried twice from the
// same place in the pattern.
bool Like(std::u16string_view text, std::u16string_view pattern)
{
    size_t t = 0, p = 0;
    size_t star = std::u16string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && IsWildcard(pattern[p])) {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && Folded(pattern[p]) == Folded(text[t])) {
            ++p;
            ++t;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && IsWildcard(pattern[p]))
        ++p;
    return p == pattern.size();
}

std::u16string TextOf(const Variant& value)
{
    return value.VarType() == varOleStr ? std::u16string(value.TextValue()) : value.AsWideString();
}

// The literal as a value of the field's kind, where it reads as one.
std::optional<Variant> AsKindOf(TVarType fieldType, const Literal& literal)
{
    if (literal.kind != Literal::Kind::Text)
        return literal.value;
    const std::string text = Variant::Text(literal.text).AsString();
    if (fieldType != varDate)
        return Number(text);
    const auto date = IsoDate(text);
    return date ? std::optional(Variant::Date(*date)) : std::nullopt;
}

// The order of a field's value against a literal, or none where they do not compare.
std::optional<int> Order(const Variant& field, const Literal& literal)
{
    const TVarType type = field.VarType();
    if (type == varOleStr)
        return CompareFolded(field.TextValue(), literal.text);
    if (!IsNumber(type))
        return std::nullopt;
    if (literal.kind == Literal::Kind::Boolean)
        return Compare(field.AsBoolean(), literal.value.AsBoolean());
    const std::optional<Variant> value = AsKindOf(type, literal);
    if (!value || !IsNumber(value->VarType()))
        return std::nullopt;
    return AdoCompareValues(field, *value);
}

bool Holds(const Condition& condition, const Variant& field)
{
    if (condition.literal.kind == Literal::Kind::Null)
        return IsNullValue(field) == (condition.op == Operator::Equal);
    if (IsNullValue(field))
        return false;
    if (condition.op == Operator::Like)
        return Like(TextOf(field), condition.literal.text);
    const std::optional<int> order = Order(field, condition.literal);
    if (!order)
        return false;
    switch (condition.op) {
    case Operator::Equal:
        return *order == 0;
    case Operator::NotEqual:
        return *order != 0;
    case Operator::Less:
        return *order < 0;
    case Operator::Greater:
        return *order > 0;
    case Operator::LessOrEqual:
        return *order <= 0;
    default:
        return *order >= 0;
    }
}

bool NodeMatches(const AdoCriteria::Node& node, const OdbcRow& row)
{
    using Join = AdoCriteria::Node::Join;
    switch (node.join) {
    case Join::And:
        return std::all_of(node.all.begin(), node.all.end(), [&](const auto& part) { return NodeMatches(*part, row); });
    case Join::Or:
        return std::any_of(node.all.begin(), node.all.end(), [&](const auto& part) { return NodeMatches(*part, row); });
    default:
        return Holds(node.condition, row.at(node.condition.column));
    }
}

} // namespace

AdoCriteria::AdoCriteria(std::string_view text, const std::vector<OdbcColumn>& columns)
    : root_(Reader(text, columns).Read())
{
}

bool AdoCriteria::Matches(const OdbcRow& row) const { return NodeMatches(*root_, row); }
