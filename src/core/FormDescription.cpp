#include "core/FormDescription.h"

#include <cctype>

#include "core/Errors.h"

namespace kelo {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    FormObject ParseRoot() {
        FormObject root = ParseObject();
        SkipSpace();
        if (pos_ != text_.size()) Fail("text after the last 'end'");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        int line = 1;
        for (size_t i = 0; i < pos_ && i < text_.size(); ++i)
            if (text_[i] == '\n') ++line;
        throw KeloError("form description, line " + std::to_string(line) + ": " + what);
    }

    void SkipSpace() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    static bool IsIdentChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
    }

    std::string Ident() {
        SkipSpace();
        const size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
        if (start == pos_) Fail("a name was expected");
        return std::string(text_.substr(start, pos_ - start));
    }

    bool PeekWord(std::string_view word) {
        SkipSpace();
        if (text_.substr(pos_, word.size()) != word) return false;
        const size_t after = pos_ + word.size();
        return after >= text_.size() || !IsIdentChar(text_[after]);
    }

    void Expect(char c) {
        SkipSpace();
        if (pos_ >= text_.size() || text_[pos_] != c) Fail(std::string("'") + c + "' was expected");
        ++pos_;
    }

    bool Accept(char c) {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    FormObject ParseObject() {
        if (!PeekWord("object")) Fail("'object' was expected");
        pos_ += 6;
        FormObject obj;
        obj.name = Ident();
        Expect(':');
        obj.className = Ident();
        while (true) {
            if (PeekWord("end")) {
                pos_ += 3;
                return obj;
            }
            if (PeekWord("object")) {
                obj.children.push_back(ParseObject());
                continue;
            }
            if (pos_ >= text_.size()) Fail("'end' was expected");
            obj.properties.push_back(ParseProperty());
        }
    }

    FormProperty ParseProperty() {
        FormProperty p;
        p.name = Ident();
        Expect('=');
        p.value = ParseValue();
        return p;
    }

    // 'text' pieces joined by +, with '' for a quote inside.
    std::string StringValue() {
        std::string out;
        do {
            Expect('\'');
            while (true) {
                if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("unterminated text");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        out += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                out += text_[pos_++];
            }
        } while (Accept('+'));
        return out;
    }

    std::string BinaryValue() {
        std::string bytes;
        int high = -1;
        while (true) {
            SkipSpace();
            if (pos_ >= text_.size()) Fail("'}' was expected");
            const char c = text_[pos_++];
            if (c == '}') break;
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else Fail("a hexadecimal digit was expected");
            if (high < 0) {
                high = digit;
            } else {
                bytes += static_cast<char>(high * 16 + digit);
                high = -1;
            }
        }
        if (high >= 0) Fail("odd number of hexadecimal digits");
        return bytes;
    }

    FormValue ParseValue() {
        SkipSpace();
        if (pos_ >= text_.size()) Fail("a value was expected");
        FormValue v;
        const char c = text_[pos_];
        if (c == '\'') {
            v.kind = FormValue::Kind::String;
            v.text = StringValue();
        } else if (c == '-' || c == '+' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = FormValue::Kind::Integer;
            const bool negative = c == '-';
            if (c == '-' || c == '+') ++pos_;
            const size_t start = pos_;
            while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
                v.integer = v.integer * 10 + (text_[pos_] - '0');
                if (v.integer > (int64_t{1} << 40)) Fail("number too large");
                ++pos_;
            }
            if (start == pos_) Fail("a number was expected");
            if (negative) v.integer = -v.integer;
        } else if (c == '[') {
            ++pos_;
            v.kind = FormValue::Kind::Set;
            if (!Accept(']')) {
                do v.items.push_back(Ident());
                while (Accept(','));
                Expect(']');
            }
        } else if (c == '{') {
            ++pos_;
            v.kind = FormValue::Kind::Binary;
            v.text = BinaryValue();
        } else if (c == '(') {
            ++pos_;
            v.kind = FormValue::Kind::List;
            while (!Accept(')')) v.items.push_back(StringValue());
        } else if (c == '<') {
            ++pos_;
            v.kind = FormValue::Kind::Collection;
            while (!Accept('>')) {
                if (!PeekWord("item")) Fail("'item' was expected");
                pos_ += 4;
                std::vector<FormProperty> item;
                while (!PeekWord("end")) {
                    if (pos_ >= text_.size()) Fail("'end' was expected");
                    item.push_back(ParseProperty());
                }
                pos_ += 3;
                v.collection.push_back(std::move(item));
            }
        } else {
            v.kind = FormValue::Kind::Ident;
            v.text = Ident();
        }
        return v;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

FormObject ParseFormDescription(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return Parser(text).ParseRoot();
}

}  // namespace kelo
