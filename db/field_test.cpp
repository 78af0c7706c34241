#include "db/field.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "db/db_exceptions.h"
#include "testing/comma_locale.h"
#include "testing/error_of.h"
#include "util/format_settings.h"

namespace zararod {
namespace {

// One row holding one value: what a query gives its fields.
class OneValue : public TFieldValueSource {
 public:
  TFieldValue value;
  bool onRow = true;
  const TFieldValue* CurrentFieldValue(int) const override { return onRow ? &value : nullptr; }
};

TFieldDef def(TFieldType type, const std::string& name = "f") {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  return d;
}

TEST(FieldTest, IntegerValueByKind) {
  const struct {
    TFieldType type;
    TVariant value;
    std::int32_t integer;
    std::string text;
  } cases[] = {
      {ftSmallint, std::int32_t{-5}, -5, "-5"},
      {ftInteger, std::int32_t{2147483647}, 2147483647, "2147483647"},
      {ftLargeint, std::int64_t{9223372036854775807}, -1, "9223372036854775807"},  // low 32 bits
      {ftLargeint, std::int64_t{4294967298}, 2, "4294967298"},
      {ftFloat, 2.5, 2, "2.5"},  // halves to the even neighbour
      {ftFloat, 3.5, 4, "3.5"},
      {ftFloat, -2.5, -2, "-2.5"},
      {ftFloat, 2.6, 3, "2.6"},
  };
  FormatSettingsOfProcess().DecimalSeparator = '.';
  for (const auto& c : cases) {
    OneValue source;
    source.value = {false, c.value, std::nullopt};
    const TField field(source, 0, def(c.type));
    EXPECT_EQ(field.AsInteger(), c.integer) << c.text;
    EXPECT_EQ(field.AsString(), c.text);
  }
}

TEST(FieldTest, NullAndNoRowGiveEmptyAndZero) {
  OneValue source;
  for (TFieldType type : {ftString, ftSmallint, ftInteger, ftLargeint, ftFloat, ftBoolean, ftDate,
                          ftTime, ftDateTime, ftMemo, ftBlob, ftBytes}) {
    for (bool onRow : {true, false}) {
      source.onRow = onRow;
      const TField field(source, 0, def(type));
      EXPECT_TRUE(field.IsNull()) << type;
      EXPECT_EQ(field.AsString(), "") << type;
      EXPECT_TRUE(std::holds_alternative<std::monostate>(field.AsVariant()));
      EXPECT_EQ(field.AsServerText(), std::nullopt);
    }
  }
}

TEST(FieldTest, TextsOfOtherKinds) {
  FormatSettingsOfProcess().TimeSeparator = ':';
  const struct {
    TFieldType type;
    TVariant value;
    std::string text;
  } cases[] = {
      {ftString, std::string("a\0b", 3), "a"},  // up to the first zero byte
      {ftMemo, std::string("a\0b", 3), std::string("a\0b", 3)},
      {ftBoolean, true, "True"},
      {ftBoolean, false, "False"},
      {ftDate, 45358.0, "2024-03-07"},
      {ftTime, 0.5208333333333334, "12:30:00"},
      {ftDateTime, 45358.0 + (8 * 3600 + 9 * 60 + 10) / 86400.0, "2024-03-07 08:09:10"},
      {ftDateTime, 45358.0, "2024-03-07"},  // time left out at midnight
  };
  for (const auto& c : cases) {
    OneValue source;
    source.value = {false, c.value, std::nullopt};
    EXPECT_EQ(TField(source, 0, def(c.type)).AsString(), c.text);
  }
}

TEST(FieldTest, UnsupportedAccessNamesFieldAndType) {
  OneValue source;
  source.value = {false, std::string("Y"), std::string("Y")};
  const TField text(source, 0, def(ftString, "potvrzeno"));
  const auto message = [](auto access) { return testing::errorOf<EDatabaseError>(access); };
  EXPECT_EQ(message([&] { text.AsBoolean(); }), "Cannot access field 'potvrzeno' as type Boolean");
  EXPECT_EQ(message([&] { text.AsInteger(); }), "Cannot access field 'potvrzeno' as type Integer");
  EXPECT_EQ(message([&] { text.AsFloat(); }), "Cannot access field 'potvrzeno' as type Float");
  EXPECT_EQ(message([&] { text.AsDateTime(); }), "Cannot access field 'potvrzeno' as type DateTime");
  EXPECT_EQ(text.AsServerText(), "Y");
}

TEST(FieldTest, DefinitionNamesAreMadeUnique) {
  TFieldDefs defs;
  for (const char* name : {"a", "A", "a_1", "b", "a"}) defs.Add(def(ftString, name));
  const char* expected[] = {"a", "A_1", "a_1_1", "b", "a_2"};
  ASSERT_EQ(defs.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(defs[i].Name, expected[i]);
  EXPECT_EQ(defs.IndexOf("B"), 3);
  EXPECT_EQ(defs.IndexOf("c"), -1);
}

TEST(FieldTest, ParamTextReadAsFloat) {
  const struct {
    const char* text;
    char separator;
    double value;  // 0 with `valid` false: rejected
    bool valid;
  } cases[] = {
      {"12,5", ',', 12.5, true}, {"12.5", '.', 12.5, true}, {" +1e3", '.', 1000, true},
      {"-0,25", ',', -0.25, true}, {"12,5", '.', 0, false}, {"", '.', 0, false},
      {"1.5x", '.', 0, false},
  };
  const testing::CommaDecimalLocale locale;  // the C library's own separator must not matter
  for (const auto& c : cases) {
    FormatSettingsOfProcess().DecimalSeparator = c.separator;
    TParam param("p");
    param.SetAsString(c.text);
    if (c.valid) {
      EXPECT_EQ(param.AsFloat(), c.value) << c.text;
    } else {
      EXPECT_THROW(param.AsFloat(), EDatabaseError) << c.text;
    }
  }
  FormatSettingsOfProcess().DecimalSeparator = '.';
}

TEST(FieldTest, RebuiltParamsKeepValuesOfNamesStillPresent) {
  TParams params;
  params.CreateParam("a").SetAsString("x");
  params.CreateParam("b").SetAsInteger(7);
  params.Rebuild({"B", "c"});
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params.Items(0).Name(), "B");
  EXPECT_EQ(params.Items(0).DataType, ftInteger);
  EXPECT_EQ(params.Items(0).AsLargeInt(), 7);
  EXPECT_TRUE(params.Items(1).IsNull());
  EXPECT_EQ(params.FindParam("a"), nullptr);
  params.Rebuild({});
  EXPECT_EQ(params.Count(), 0);
}

}  // namespace
}  // namespace zararod
