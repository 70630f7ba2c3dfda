#include "document/json_parser.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

#include "document/diagnostics.h"
#include "document/json_number.h"
#include "platform/utf8.h"

namespace fennrow::document {

namespace {

constexpr std::string_view kEmptyDocument = "empty document";
constexpr std::string_view kTrailingContent = "unexpected content after the document";
constexpr std::string_view kTooDeep = "document nested too deep";
constexpr std::string_view kExpectedKey = "expected key";
constexpr std::string_view kExpectedColon = "expected ':'";
constexpr std::string_view kExpectedObjectEnd = "expected ',' or '}'";
constexpr std::string_view kExpectedArrayEnd = "expected ',' or ']'";
constexpr std::string_view kUnterminatedString = "unterminated string";
constexpr std::string_view kTruncatedEscape = "truncated \\u escape";
constexpr std::string_view kBadEscape = "bad \\u escape";
constexpr std::string_view kUnpairedSurrogate = "unpaired surrogate";
constexpr std::string_view kInvalidNumber = "invalid number";
constexpr std::string_view kInvalidLiteral = "invalid literal";
constexpr std::string_view kParseError = "parse error";
constexpr std::string_view kDuplicateKeyPrefix = "duplicate key ";

constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kHighSurrogateLast = 0xDBFF;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kLowSurrogateLast = 0xDFFF;
constexpr uint32_t kSupplementaryBase = 0x10000;
constexpr std::size_t kHexDigitsPerUnit = 4;

// Escapes that stand for one byte; any other escaped byte stands for itself.
char unescapedByte(char c) {
    switch (c) {
        case 'b': return '\b';
        case 'f': return '\f';
        case 'n': return '\n';
        case 'r': return '\r';
        case 't': return '\t';
        default: return c;
    }
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonParseResult run() {
        JsonParseResult result;
        skipWhitespace();
        if (atEnd()) return failure(kEmptyDocument);
        if (!parseValue(result.value)) {
            result.value = JsonValue{};
            result.error = error_.empty() ? std::string(kParseError) : std::move(error_);
            return result;
        }
        skipWhitespace();
        if (!atEnd()) return failure(kTrailingContent);
        result.ok = true;
        return result;
    }

private:
    static JsonParseResult failure(std::string_view message) {
        JsonParseResult result;
        result.error = std::string(message);
        return result;
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }
    std::string_view remaining() const { return text_.substr(pos_); }

    bool fail(std::string_view message) {
        error_ = std::string(message);
        return false;
    }

    void skipWhitespace() {
        while (!atEnd()) {
            const char c = peek();
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
            ++pos_;
        }
    }

    bool parseValue(JsonValue& out) {
        skipWhitespace();
        const char c = atEnd() ? '\0' : peek();
        if (!atEnd()) {
            switch (c) {
                case '"': {
                    ++pos_;
                    std::string_view text;
                    if (!parseString(text)) return false;
                    out = jsonString(text);
                    return true;
                }
                case '[': return parseNested(out, &Parser::parseArray);
                case '{': return parseNested(out, &Parser::parseObject);
                case 't':
                case 'f':
                    if (parseLiteral(out, "true", JsonType::Bool, true)) return true;
                    if (parseLiteral(out, "false", JsonType::Bool, false)) return true;
                    return fail(kInvalidLiteral);
                case 'n':
                    if (parseLiteral(out, "null", JsonType::Null, false)) return true;
                    return fail(kInvalidLiteral);
                default: break;
            }
        }
        return parseNumber(out);
    }

    bool parseNested(JsonValue& out, bool (Parser::*parseBody)(JsonValue&)) {
        ++pos_;
        ++depth_;
        if (depth_ > kJsonMaxDepth) return fail(kTooDeep);
        const bool ok = (this->*parseBody)(out);
        --depth_;
        return ok;
    }

    // Takes `word` when the text at the position begins with it; what follows
    // is judged by the enclosing level.
    bool parseLiteral(JsonValue& out, std::string_view word, JsonType type, bool boolean) {
        if (remaining().substr(0, word.size()) != word) return false;
        pos_ += word.size();
        out = type == JsonType::Bool ? jsonBool(boolean) : jsonNull();
        return true;
    }

    bool parseNumber(JsonValue& out) {
        if (atEnd()) return fail(kInvalidNumber);
        const char c = peek();
        if (c != '-' && (c < '0' || c > '9')) return fail(kInvalidNumber);
        double value = 0.0;
        const std::size_t consumed = parseNumberPrefix(remaining(), value);
        if (consumed == 0) return fail(kInvalidNumber);
        out = jsonNumber(value, text_.substr(pos_, consumed));
        pos_ += consumed;
        return true;
    }

    // The items wait in the stack of open arrays, which never moves what it
    // holds, and go into the array in one block of their exact number when it
    // closes: the tree has no spare room and no copy of a growing array.
    bool parseArray(JsonValue& out) {
        out = jsonArray();
        skipWhitespace();
        if (!atEnd() && peek() == ']') {
            ++pos_;
            return true;
        }
        // An array of one item, as at each level of a deep nesting, goes into
        // its block without the stack.
        JsonValue firstItem;
        if (!parseValue(firstItem)) return false;
        skipWhitespace();
        if (!atEnd() && peek() == ']') {
            ++pos_;
            out.reserveItems(1);
            out.appendItem(std::move(firstItem));
            return true;
        }
        const std::size_t first = openItems_.size();
        openItems_.push_back(std::move(firstItem));
        if (atEnd()) return fail(kExpectedArrayEnd);
        if (peek() != ',') return fail(kExpectedArrayEnd);
        ++pos_;
        for (;;) {
            if (!parseValue(openItems_.emplace_back())) return false;
            skipWhitespace();
            if (atEnd()) return fail(kExpectedArrayEnd);
            const char c = peek();
            ++pos_;
            if (c == ']') break;
            if (c != ',') return fail(kExpectedArrayEnd);
        }
        out.reserveItems(openItems_.size() - first);
        for (std::size_t i = first; i < openItems_.size(); ++i) out.appendItem(std::move(openItems_[i]));
        openItems_.resize(first);
        return true;
    }

    // The object's own index of its keys finds a repeated key.
    bool parseObject(JsonValue& out) {
        out = jsonObject();
        skipWhitespace();
        if (!atEnd() && peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            skipWhitespace();
            if (atEnd() || peek() != '"') return fail(kExpectedKey);
            ++pos_;
            std::string_view key;
            if (!parseString(key)) return false;
            skipWhitespace();
            if (atEnd() || peek() != ':') return fail(kExpectedColon);
            ++pos_;
            if (findMember(out, key) != nullptr) {
                std::string message(kDuplicateKeyPrefix);
                message.push_back('"');
                message.append(quotedValue(key));
                message.push_back('"');
                return fail(message);
            }
            // A decoded key sits in the buffer that the value's strings reuse.
            std::string decodedKey;
            if (!unescaped_.empty()) {
                decodedKey = unescaped_;
                key = decodedKey;
            }
            JsonValue value;
            if (!parseValue(value)) return false;
            appendNewMember(out, key, std::move(value));
            skipWhitespace();
            if (atEnd()) return fail(kExpectedObjectEnd);
            const char c = peek();
            ++pos_;
            if (c == '}') return true;
            if (c != ',') return fail(kExpectedObjectEnd);
        }
    }

    // After the opening quote. A string without escapes is a view into the
    // text; one with escapes is decoded into a scratch buffer that the next
    // string reuses.
    bool parseString(std::string_view& out) {
        unescaped_.clear();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\\') ++pos_;
        if (atEnd()) return fail(kUnterminatedString);
        if (text_[pos_] == '"') {
            out = text_.substr(start, pos_ - start);
            ++pos_;
            return true;
        }
        unescaped_.assign(text_.substr(start, pos_ - start));
        if (!decodeString(unescaped_)) return false;
        out = unescaped_;
        return true;
    }

    // From an escape or any byte after it, to past the closing quote.
    bool decodeString(std::string& out) {
        for (;;) {
            if (atEnd()) return fail(kUnterminatedString);
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (atEnd()) return fail(kUnterminatedString);
            const char escaped = text_[pos_++];
            if (escaped == 'u') {
                if (!parseUnicodeEscape(out)) return false;
            } else {
                out.push_back(unescapedByte(escaped));
            }
        }
    }

    // Four hex digits at the position.
    bool readHexUnit(uint32_t& unit) {
        if (text_.size() - pos_ < kHexDigitsPerUnit) return fail(kTruncatedEscape);
        unit = 0;
        for (std::size_t i = 0; i < kHexDigitsPerUnit; ++i) {
            const int digit = hexDigitValue(text_[pos_ + i]);
            if (digit < 0) return fail(kBadEscape);
            unit = unit * 16 + static_cast<uint32_t>(digit);
        }
        pos_ += kHexDigitsPerUnit;
        return true;
    }

    // After "\u".
    bool parseUnicodeEscape(std::string& out) {
        uint32_t codePoint = 0;
        if (!readHexUnit(codePoint)) return false;
        const bool high = codePoint >= kHighSurrogateFirst && codePoint <= kHighSurrogateLast;
        if (high && remaining().substr(0, 2) == "\\u") {
            pos_ += 2;
            uint32_t low = 0;
            if (!readHexUnit(low)) return false;
            if (low < kLowSurrogateFirst || low > kLowSurrogateLast) return fail(kUnpairedSurrogate);
            codePoint =
                kSupplementaryBase + ((codePoint - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
        }
        platform::appendUtf8(out, static_cast<char32_t>(codePoint));
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
    std::string unescaped_;
    std::deque<JsonValue> openItems_;
};

} // namespace

JsonParseResult parseJson(std::string_view text) { return Parser(text).run(); }

} // namespace fennrow::document
