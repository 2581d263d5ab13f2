#include "model/json_reader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace vordex::model {

template <>
bool JsonValue::get<bool>() const {
  return boolean_;
}
template <>
std::int64_t JsonValue::get<std::int64_t>() const {
  return kind_ == Kind::kUnsigned ? static_cast<std::int64_t>(unsigned_) : integer_;
}
template <>
std::uint64_t JsonValue::get<std::uint64_t>() const {
  return kind_ == Kind::kInteger ? static_cast<std::uint64_t>(integer_) : unsigned_;
}
template <>
double JsonValue::get<double>() const {
  return kind_ == Kind::kReal       ? real_
         : kind_ == Kind::kUnsigned ? static_cast<double>(unsigned_)
                                    : static_cast<double>(integer_);
}
template <>
std::string JsonValue::get<std::string>() const {
  return std::string(string_);
}

std::size_t JsonValue::find(std::string_view key) const {
  for (std::size_t i = 0; i < keys_.size(); ++i)
    if (keys_[i] == key) return i;
  return size();
}

class JsonParser {
 public:
  JsonParser(std::string_view text, int max_depth, JsonDocument& document, JsonError& error)
      : text_(text), max_depth_(max_depth), document_(document), error_(error) {}

  bool Document() {
    SkipSpace();
    if (!Value(document_.root, 0)) return false;
    SkipSpace();
    if (at_ != text_.size()) return Fail("text after the document");
    return true;
  }

 private:
  bool Fail(const std::string& what) {
    error_.what = what + " at byte " + std::to_string(at_);
    return false;
  }

  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return Fail("an unknown literal");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& v, int depth) {
    if (at_ >= text_.size()) return Fail("the end of the text where a value belongs");
    switch (text_[at_]) {
      case '{':
        return Object(v, depth + 1);
      case '[':
        return Array(v, depth + 1);
      case '"':
        v.kind_ = JsonValue::Kind::kString;
        return String(v.string_);
      case 't':
        v.kind_ = JsonValue::Kind::kBool;
        v.boolean_ = true;
        return Literal("true");
      case 'f':
        v.kind_ = JsonValue::Kind::kBool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number(v);
    }
  }

  bool Object(JsonValue& v, int depth) {
    if (depth > max_depth_) return Fail("nesting deeper than a model file's");
    v.kind_ = JsonValue::Kind::kObject;
    ++at_;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != '"') return Fail("a member without a key");
      std::string_view key;
      if (!String(key)) return false;
      if (v.find(key) != v.size()) return Fail("the key \"" + std::string(key) + "\" twice");
      SkipSpace();
      if (at_ >= text_.size() || text_[at_] != ':') return Fail("a key without ':'");
      ++at_;
      SkipSpace();
      v.keys_.push_back(key);
      key_ = key;
      if (!Value(v.items_.emplace_back(), depth)) return false;
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') {
        ++at_;
        return true;
      }
      return Fail("an object without '}'");
    }
  }

  bool Array(JsonValue& v, int depth) {
    if (depth > max_depth_) return Fail("nesting deeper than a model file's");
    v.kind_ = JsonValue::Kind::kArray;
    ++at_;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      SkipSpace();
      if (!Value(v.items_.emplace_back(), depth)) return false;
      SkipSpace();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') {
        ++at_;
        return true;
      }
      return Fail("an array without ']'");
    }
  }

  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Four hexadecimal digits after "\u".
  bool CodeUnit(unsigned& unit) {
    if (at_ + 4 > text_.size()) return Fail("a short \\u escape");
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int h = Hex(text_[at_ + static_cast<std::size_t>(i)]);
      if (h < 0) return Fail("a \\u escape that is not hexadecimal");
      unit = unit * 16 + static_cast<unsigned>(h);
    }
    at_ += 4;
    return true;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // The length of the valid UTF-8 sequence at text_[at_] (lead byte 0x80 or above), or 0 (RFC
  // 3629: no overlong forms, no surrogates, nothing above U+10FFFF).
  std::size_t Utf8Length() const {
    const auto byte = [&](std::size_t i) {
      return at_ + i < text_.size() ? static_cast<unsigned char>(text_[at_ + i]) : 0u;
    };
    const unsigned b0 = byte(0);
    const auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
      return byte(i) >= lo && byte(i) <= hi;
    };
    if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
    if (b0 == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
    if ((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) return cont(1) && cont(2) ? 3 : 0;
    if (b0 == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
    if (b0 == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (b0 >= 0xF1 && b0 <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (b0 == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    return 0;
  }

  // A string at text_[at_] ('"'): a view of the text, or of an unescaped copy kept in the
  // document.
  bool String(std::string_view& out) {
    ++at_;
    const std::size_t begin = at_;
    std::string* copy = nullptr;
    for (;;) {
      if (at_ >= text_.size()) return Fail("a string without its closing quote");
      const char c = text_[at_];
      const auto u = static_cast<unsigned char>(c);
      if (c == '"') break;
      if (u < 0x20) return Fail("a control character in a string");
      if (u >= 0x80) {
        const std::size_t length = Utf8Length();
        if (length == 0) return Fail("a string that is not UTF-8");
        if (copy != nullptr) copy->append(text_.substr(at_, length));
        at_ += length;
        continue;
      }
      if (c != '\\') {
        if (copy != nullptr) *copy += c;
        ++at_;
        continue;
      }
      if (copy == nullptr)
        copy = &document_.unescaped.emplace_back(text_.substr(begin, at_ - begin));
      if (++at_ >= text_.size()) return Fail("a string without its closing quote");
      const char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          *copy += e;
          break;
        case 'b':
          *copy += '\b';
          break;
        case 'f':
          *copy += '\f';
          break;
        case 'n':
          *copy += '\n';
          break;
        case 'r':
          *copy += '\r';
          break;
        case 't':
          *copy += '\t';
          break;
        case 'u': {
          unsigned unit = 0;
          if (!CodeUnit(unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("a lone low surrogate");
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low = 0;
            if (text_.substr(at_, 2) != "\\u") return Fail("a lone high surrogate");
            at_ += 2;
            if (!CodeUnit(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone high surrogate");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(*copy, unit);
          break;
        }
        default:
          return Fail("an unknown escape");
      }
    }
    out = copy != nullptr ? std::string_view(*copy) : text_.substr(begin, at_ - begin);
    ++at_;
    return true;
  }

  static bool Digit(char c) { return c >= '0' && c <= '9'; }

  // RFC 8259's number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  bool Number(JsonValue& v) {
    const std::size_t begin = at_;
    const auto digits = [&] {
      const std::size_t from = at_;
      while (at_ < text_.size() && Digit(text_[at_])) ++at_;
      return at_ > from;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0') {
      ++at_;
    } else if (!digits()) {
      return Fail("a value that is not JSON");
    }
    bool integer = true;
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      integer = false;
      if (!digits()) return Fail("a number without digits after '.'");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      integer = false;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Fail("a number without exponent digits");
    }
    const char* first = text_.data() + begin;
    const char* last = text_.data() + at_;
    if (integer) {
      if (*first == '-') {
        if (std::from_chars(first, last, v.integer_).ec == std::errc()) {
          v.kind_ = JsonValue::Kind::kInteger;
          return true;
        }
      } else if (std::from_chars(first, last, v.unsigned_).ec == std::errc()) {
        v.kind_ = JsonValue::Kind::kUnsigned;
        return true;
      }
    }
    v.kind_ = JsonValue::Kind::kReal;
    if (std::from_chars(first, last, v.real_).ec == std::errc()) return true;
    // Beyond the doubles' range: strtod's reading, which underflows to 0 or a subnormal and
    // overflows to infinity; an overflow is refused.
    const std::string token(first, last);
    v.real_ = std::strtod(token.c_str(), nullptr);
    if (std::isfinite(v.real_)) return true;
    error_.number = true;
    error_.key = std::string(key_);
    return Fail("number overflow parsing '" + token + "'");
  }

  std::string_view text_;
  std::size_t at_ = 0;
  int max_depth_;
  JsonDocument& document_;
  JsonError& error_;
  std::string_view key_ = {};  // the key of the member being read
};

bool ParseJson(std::string_view text, int max_depth, JsonDocument& document, JsonError& error) {
  return JsonParser(text, max_depth, document, error).Document();
}

}  // namespace vordex::model
