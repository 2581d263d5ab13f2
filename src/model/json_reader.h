// A JSON reader for model files: the document as a small tree of values whose strings view the
// text (copies only for strings with escapes), and numbers read by std::from_chars, correctly
// rounded as strtod reads them. It builds no map per object and no string per key, which made
// most of a model's load with a general DOM.
#ifndef VORDEX_MODEL_JSON_READER_H
#define VORDEX_MODEL_JSON_READER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vordex::model {

// One JSON value. Accessors mirror nlohmann::json's names for the subset the loader reads; get<T>
// reads a value of the kind its is_ test admits (double from any number).
class JsonValue {
 public:
  enum class Kind : unsigned char {
    kNull,
    kBool,
    kInteger,
    kUnsigned,
    kReal,
    kString,
    kArray,
    kObject
  };

  bool is_null() const { return kind_ == Kind::kNull; }
  bool is_boolean() const { return kind_ == Kind::kBool; }
  bool is_string() const { return kind_ == Kind::kString; }
  bool is_array() const { return kind_ == Kind::kArray; }
  bool is_object() const { return kind_ == Kind::kObject; }
  // Integers without a fraction or exponent: kInteger when negative, kUnsigned otherwise (as
  // nlohmann-json); beyond 64 bits they are reals.
  bool is_number_integer() const { return kind_ == Kind::kInteger || kind_ == Kind::kUnsigned; }
  bool is_number_unsigned() const { return kind_ == Kind::kUnsigned; }
  bool is_number_float() const { return kind_ == Kind::kReal; }
  bool is_number() const { return is_number_integer() || is_number_float(); }

  template <class T>
  T get() const;

  // Arrays: the items; objects: the members' values, in the order written.
  std::size_t size() const { return items_.size(); }
  const JsonValue& operator[](std::size_t i) const { return items_[i]; }
  // Objects: the key of member i, and the index of the member `key` (size() when none).
  std::string_view key(std::size_t i) const { return keys_[i]; }
  std::size_t find(std::string_view key) const;
  bool contains(std::string_view key) const { return find(key) != size(); }

 private:
  friend class JsonParser;
  Kind kind_ = Kind::kNull;
  bool boolean_ = false;
  std::int64_t integer_ = 0;
  std::uint64_t unsigned_ = 0;
  double real_ = 0.0;
  std::string_view string_ = {};
  std::vector<JsonValue> items_ = {};
  std::vector<std::string_view> keys_ = {};
};

// A parsed document: its root and the strings that needed unescaping. The root's strings view
// `text`, which must outlive the document.
struct JsonDocument {
  JsonValue root;
  std::deque<std::string> unescaped;
};

// Why a text is no JSON document: `what` the reason with its byte offset; `number` set when the
// reason is a number beyond the doubles, `key` then the key of the object member it belongs to
// (empty when none).
struct JsonError {
  std::string what;
  bool number = false;
  std::string key;
};

// Parses `text` (one value, whitespace around it) into `document`, nesting at most `max_depth`
// arrays and objects deep. Returns false with `error` for text that is not JSON (RFC 8259:
// strings of valid UTF-8 without raw control characters, no duplicate key in an object, numbers
// within the doubles).
bool ParseJson(std::string_view text, int max_depth, JsonDocument& document, JsonError& error);

}  // namespace vordex::model

#endif  // VORDEX_MODEL_JSON_READER_H
