#include "db/field.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/db_exceptions.h"
#include "db/float_text.h"
#include "util/date_time.h"
#include "util/format_settings.h"
#include "util/strings.h"

namespace zararod {

namespace {

template <typename T>
const T* valueAs(const TFieldValue* value) {
  return value && !value->IsNull ? std::get_if<T>(&value->Value) : nullptr;
}

// A ftFloat value rounded to the nearest integer, halves to the even
// neighbour (the default rounding mode).
std::int64_t roundHalfEven(double value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded >= 9.2233720368547758e18 || rounded < -9.2233720368547758e18) return 0;
  return static_cast<std::int64_t>(rounded);
}

std::string twoDigits(int value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

// "hh:nn:ss" with the process's time separator.
std::string timeText(double value) {
  const auto parts = decodeDateTime(value);
  if (!parts) return "";
  const char separator = FormatSettingsOfProcess().TimeSeparator;
  std::string text = twoDigits(parts->Hour);
  if (separator) text += separator;
  text += twoDigits(parts->Minute);
  if (separator) text += separator;
  text += twoDigits(parts->Second);
  return text;
}

// The date and the time, the time left out at midnight.
std::string dateTimeText(double value) {
  const auto parts = decodeDateTime(value);
  if (!parts) return "";
  if (parts->Hour == 0 && parts->Minute == 0 && parts->Second == 0) return DateStr(value);
  return DateTimeStr(value);
}

std::optional<std::int64_t> parseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

TFieldType FieldTypeOfSQLType(TZSQLType type) {
  switch (type) {
    case stBoolean: return ftBoolean;
    case stByte:
    case stShort: return ftSmallint;
    case stInteger: return ftInteger;
    case stLong: return ftLargeint;
    case stFloat:
    case stDouble:
    case stBigDecimal: return ftFloat;
    case stString: return ftString;
    case stUnicodeString:
    case stUnicodeStream: return ftWideString;
    case stBytes: return ftBytes;
    case stDate: return ftDate;
    case stTime: return ftTime;
    case stTimestamp: return ftDateTime;
    case stAsciiStream: return ftMemo;
    case stBinaryStream: return ftBlob;
    case stUnknown: break;
  }
  return ftUnknown;
}

// ---------------------------------------------------------------------------
// TFieldDefs

int TFieldDefs::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < defs_.size(); ++i)
    if (sameText(defs_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

const TFieldDef& TFieldDefs::Add(TFieldDef def) {
  if (IndexOf(def.Name) >= 0) {
    const std::string base = def.Name;
    for (int n = 1;; ++n) {
      std::string candidate = base + "_" + std::to_string(n);
      if (IndexOf(candidate) < 0) {
        def.Name = std::move(candidate);
        break;
      }
    }
  }
  defs_.push_back(std::move(def));
  return defs_.back();
}

// ---------------------------------------------------------------------------
// TField

TField::TField(const TFieldValueSource& source, int index, const TFieldDef& def)
    : source_(source), index_(index), name_(def.Name), dataType_(def.DataType), size_(def.Size) {}

void TField::accessError(const char* typeName) const {
  throw EDatabaseError("Cannot access field '" + name_ + "' as type " + typeName);
}

bool TField::IsNull() const {
  const TFieldValue* value = current();
  return value == nullptr || value->IsNull;
}

std::string TField::AsString() const {
  const TFieldValue* value = current();
  if (value == nullptr || value->IsNull) return "";
  switch (dataType_) {
    case ftString: {
      const std::string& text = std::get<std::string>(value->Value);
      return text.substr(0, std::strlen(text.c_str()));  // up to the first zero byte
    }
    case ftSmallint:
    case ftInteger:
      return std::to_string(std::get<std::int32_t>(value->Value));
    case ftLargeint:
      return std::to_string(std::get<std::int64_t>(value->Value));
    case ftFloat:
      return FloatText(std::get<double>(value->Value));
    case ftBoolean:
      return std::get<bool>(value->Value) ? "True" : "False";
    case ftDate:
      return DateStr(std::get<double>(value->Value));
    case ftTime:
      return timeText(std::get<double>(value->Value));
    case ftDateTime:
      return dateTimeText(std::get<double>(value->Value));
    default:
      if (const auto* text = std::get_if<std::string>(&value->Value)) return *text;
      return "";
  }
}

std::int64_t TField::AsLargeInt() const {
  switch (dataType_) {
    case ftSmallint:
    case ftInteger:
      if (const auto* v = valueAs<std::int32_t>(current())) return *v;
      return 0;
    case ftLargeint:
      if (const auto* v = valueAs<std::int64_t>(current())) return *v;
      return 0;
    case ftFloat:
      if (const auto* v = valueAs<double>(current())) return roundHalfEven(*v);
      return 0;
    default:
      accessError("Integer");
  }
}

std::int32_t TField::AsInteger() const {
  // Larger values keep their low 32 bits (two's complement).
  return static_cast<std::int32_t>(AsLargeInt());
}

double TField::AsFloat() const {
  switch (dataType_) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
      return static_cast<double>(AsLargeInt());
    case ftFloat:
      if (const auto* v = valueAs<double>(current())) return *v;
      return 0;
    default:
      accessError("Float");
  }
}

bool TField::AsBoolean() const {
  if (dataType_ != ftBoolean) accessError("Boolean");
  if (const auto* v = valueAs<bool>(current())) return *v;
  return false;
}

double TField::AsDateTime() const {
  if (dataType_ != ftDate && dataType_ != ftTime && dataType_ != ftDateTime)
    accessError("DateTime");
  if (const auto* v = valueAs<double>(current())) return *v;
  return 0;
}

TVariant TField::AsVariant() const {
  const TFieldValue* value = current();
  if (value == nullptr || value->IsNull) return std::monostate{};
  if (dataType_ == ftString) return AsString();
  return value->Value;
}

std::optional<std::string> TField::AsServerText() const {
  const TFieldValue* value = current();
  if (value == nullptr) return std::nullopt;
  return value->ServerText;
}

// ---------------------------------------------------------------------------
// TParam

void TParam::SetAsString(std::string value) {
  DataType = ftString;
  value_ = std::move(value);
}
void TParam::SetAsInteger(std::int32_t value) {
  DataType = ftInteger;
  value_ = value;
}
void TParam::SetAsLargeInt(std::int64_t value) {
  DataType = ftLargeint;
  value_ = value;
}
void TParam::SetAsFloat(double value) {
  DataType = ftFloat;
  value_ = value;
}
void TParam::SetAsBoolean(bool value) {
  DataType = ftBoolean;
  value_ = value;
}
void TParam::SetAsDate(double value) {
  DataType = ftDate;
  value_ = value;
}
void TParam::SetAsTime(double value) {
  DataType = ftTime;
  value_ = value;
}
void TParam::SetAsDateTime(double value) {
  DataType = ftDateTime;
  value_ = value;
}

std::string TParam::AsString() const {
  struct Visitor {
    std::string operator()(std::monostate) const { return ""; }
    std::string operator()(bool v) const { return v ? "True" : "False"; }
    std::string operator()(std::int32_t v) const { return std::to_string(v); }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return FloatText(v); }
    std::string operator()(const std::string& v) const { return v; }
  };
  return std::visit(Visitor{}, value_);
}

std::int64_t TParam::AsLargeInt() const {
  if (const auto* v = std::get_if<std::int32_t>(&value_)) return *v;
  if (const auto* v = std::get_if<std::int64_t>(&value_)) return *v;
  if (const auto* v = std::get_if<bool>(&value_)) return *v ? 1 : 0;
  if (const auto* v = std::get_if<double>(&value_)) return roundHalfEven(*v);
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (auto parsed = parseInteger(*v)) return *parsed;
    throw EDatabaseError("'" + *v + "' is not a valid integer value");
  }
  return 0;
}

double TParam::AsFloat() const {
  if (const auto* v = std::get_if<double>(&value_)) return *v;
  if (const auto* v = std::get_if<std::string>(&value_)) {
    std::string text = *v;
    const char separator = FormatSettingsOfProcess().DecimalSeparator;
    for (char& c : text)
      if (c == separator) c = '.';
    // from_chars, unlike strtod, ignores the C library's locale.
    std::string_view digits = text;
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.front())))
      digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
      throw EDatabaseError("'" + *v + "' is not a valid floating point value");
    return value;
  }
  return static_cast<double>(AsLargeInt());
}

bool TParam::AsBoolean() const {
  if (const auto* v = std::get_if<bool>(&value_)) return *v;
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (sameText(*v, "True")) return true;
    if (sameText(*v, "False") || v->empty()) return false;
    throw EDatabaseError("'" + *v + "' is not a valid boolean value");
  }
  return AsLargeInt() != 0;
}

void TParam::AssignValue(const TParam& other) {
  DataType = other.DataType;
  ParamType = other.ParamType;
  value_ = other.value_;
}

// ---------------------------------------------------------------------------
// TParams

TParam* TParams::FindParam(std::string_view name) {
  for (auto& item : items_)
    if (sameText(item->Name(), name)) return item.get();
  return nullptr;
}

const TParam* TParams::FindParam(std::string_view name) const {
  return const_cast<TParams*>(this)->FindParam(name);
}

TParam& TParams::ParamByName(std::string_view name) {
  if (TParam* param = FindParam(name)) return *param;
  throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
}

TParam& TParams::CreateParam(std::string name) {
  items_.push_back(std::make_unique<TParam>(std::move(name)));
  return *items_.back();
}

void TParams::AssignValues(const TParams& other) {
  for (const auto& source : other.items_)
    if (TParam* target = FindParam(source->Name())) target->AssignValue(*source);
}

void TParams::Rebuild(const std::vector<std::string>& names) {
  TParams former;
  former.items_ = std::move(items_);
  items_.clear();
  for (const std::string& name : names) CreateParam(name);
  AssignValues(former);
}

}  // namespace zararod
