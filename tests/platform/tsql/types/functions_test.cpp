#include <gtest/gtest.h>

#include <vector>

#include "platform/tsql/types/functions.h"
#include "test_util.h"

namespace mls::tsql {
namespace {

using namespace mls::tsql::testing;

// Resolves and evaluates NAME(args...), returning the typed result.
Typed call(std::string_view name, const std::vector<Typed>& args) {
  std::vector<FunctionArg> infos;
  std::vector<Value> values;
  std::vector<SqlType> types;
  for (const Typed& a : args) {
    infos.push_back({a.type, a.value});
    values.push_back(a.value);
    types.push_back(a.type);
  }
  auto [def, type] = resolveFunction(name, infos);
  static const DateTime now =
      castValue(Value::string("2024-03-05 14:07:09.123"), SqlType::varchar(30), SqlType(TypeId::DateTime))
          .asDateTime();
  FunctionContext ctx{now};
  return {callFunction(*def, values, types, type, ctx), type};
}
std::string eval(std::string_view name, const std::vector<Typed>& args) {
  return show(call(name, args).value);
}
int evalError(std::string_view name, const std::vector<Typed>& args) {
  return errorOf([&] { call(name, args); });
}

TEST(Round, HalfAwayFromZeroKeepingTheType) {
  Typed r = call("ROUND", {num("123.9995"), integer(3)});
  EXPECT_EQ(r.type.typeName(), "decimal(7,4)");
  EXPECT_EQ(show(r.value), "124.0000");
  EXPECT_EQ(eval("ROUND", {num("-2.5"), integer(0)}), "-3.0");
  EXPECT_EQ(eval("ROUND", {num("2.5"), integer(0)}), "3.0");
  EXPECT_EQ(eval("ROUND", {num("123.4545"), integer(2)}), "123.4500");
  EXPECT_EQ(eval("ROUND", {num("748.58"), integer(-1)}), "750.00");
  EXPECT_EQ(eval("ROUND", {num("748.58"), integer(-2)}), "700.00");
  EXPECT_EQ(eval("ROUND", {num("748.58"), integer(-4)}), "0.00");
  EXPECT_EQ(eval("ROUND", {num("748.58"), integer(5)}), "748.58");
  EXPECT_EQ(eval("ROUND", {num("150.75"), integer(0), integer(1)}), "150.00");
  EXPECT_EQ(eval("ROUND", {num("-150.75"), integer(0), integer(1)}), "-150.00");
  EXPECT_EQ(eval("ROUND", {integer(748), integer(-1)}), "750");
  EXPECT_EQ(call("ROUND", {integer(748), integer(-1)}).type.typeName(), "int");
  EXPECT_EQ(eval("ROUND", {as(num("2.675e0"), SqlType(TypeId::Float)), integer(2)}), "2.6800000000000002");
  EXPECT_EQ(eval("ROUND", {num("1.5"), text("0")}), "2.0");  // the length may be any int expression
  EXPECT_TRUE(call("ROUND", {num("1.5"), null()}).value.isNull());
}

TEST(Round, OverflowsTheDecimalType) {
  try {
    call("ROUND", {num("748.58"), integer(-3)});
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.number(), 8115);
    EXPECT_EQ(e.message(), "Arithmetic overflow error converting expression to data type numeric.");
  }
  EXPECT_EQ(evalError("ROUND", {num("0.999"), integer(2)}), 8115);
  try {
    call("ROUND", {integer(2147483647), integer(-1)});
    FAIL() << "no error";
  } catch (const SqlError& e) {
    EXPECT_EQ(e.message(), "Arithmetic overflow error converting expression to data type int.");
  }
  EXPECT_EQ(evalError("ROUND", {text("1"), integer(0)}), 0);  // text rounds as float
  EXPECT_EQ(evalError("ROUND", {as(text("2024-01-01"), SqlType(TypeId::DateTime)), integer(0)}), 8116);
  EXPECT_EQ(evalError("ROUND", {num("1.5")}), 189);
}

TEST(Str, RightJustifiedThroughFloat) {
  EXPECT_EQ(eval("STR", {num("1234.56"), integer(8), integer(2)}), " 1234.56");
  EXPECT_EQ(eval("STR", {num("123.45"), integer(2), integer(2)}), "**");
  EXPECT_EQ(eval("STR", {num("123.45"), integer(6), integer(1)}), " 123.5");
  EXPECT_EQ(eval("STR", {num("123.45")}), "       123");
  EXPECT_EQ(eval("STR", {num("-2.5"), integer(4)}), "  -3");
  // Decimals give way before the whole part does.
  EXPECT_EQ(eval("STR", {num("1234.5678"), integer(6), integer(2)}), "1234.6");
  EXPECT_EQ(eval("STR", {num("1234567.89"), integer(7), integer(2)}), "1234568");
  EXPECT_EQ(eval("STR", {num("1234567.89"), integer(6), integer(2)}), "******");
  EXPECT_EQ(eval("STR", {num("0.5"), integer(3), integer(20)}), "0.5");
  EXPECT_EQ(call("STR", {num("1.5"), integer(5)}).type.typeName(), "varchar(5)");
  EXPECT_TRUE(call("STR", {num("1.5"), integer(0)}).value.isNull());
}

TEST(MathFunctions, AbsSignFloorCeilingPower) {
  EXPECT_EQ(eval("ABS", {num("-1.50")}), "1.50");
  EXPECT_EQ(eval("ABS", {integer(-3)}), "3");
  EXPECT_EQ(evalError("ABS", {integer(INT32_MIN)}), 8115);
  EXPECT_EQ(eval("SIGN", {num("-12.34")}), "-1.00");
  EXPECT_EQ(eval("SIGN", {integer(0)}), "0");
  EXPECT_EQ(eval("FLOOR", {num("-123.45")}), "-124");
  EXPECT_EQ(eval("CEILING", {num("123.45")}), "124");
  EXPECT_EQ(eval("CEILING", {num("-123.45")}), "-123");
  EXPECT_EQ(call("FLOOR", {num("123.45")}).type.typeName(), "decimal(5,0)");
  EXPECT_EQ(eval("FLOOR", {as(num("2.5"), SqlType(TypeId::Money))}), "2.0000");
  EXPECT_EQ(eval("POWER", {integer(2), integer(10)}), "1024");
  EXPECT_EQ(eval("POWER", {integer(2), integer(-1)}), "0");
  EXPECT_EQ(evalError("POWER", {integer(2), integer(31)}), 8115);
  EXPECT_EQ(eval("POWER", {num("2.5"), integer(2)}), "6.3");
  EXPECT_EQ(evalError("POWER", {integer(-8), num("0.5")}), 3623);
}

TEST(StringFunctions, LengthsAndPieces) {
  EXPECT_EQ(eval("LEN", {text("abc  ")}), "3");
  EXPECT_EQ(eval("LEN", {text("  ")}), "0");
  EXPECT_EQ(eval("LEN", {ntext("成本中心")}), "4");
  EXPECT_EQ(eval("LEN", {integer(-120)}), "4");
  EXPECT_EQ(eval("DATALENGTH", {text("abc  ")}), "5");
  EXPECT_EQ(eval("DATALENGTH", {ntext("成本")}), "4");
  EXPECT_EQ(eval("DATALENGTH", {integer(1)}), "4");
  EXPECT_EQ(eval("SUBSTRING", {text("abcdef"), integer(2), integer(3)}), "bcd");
  EXPECT_EQ(eval("SUBSTRING", {text("abcdef"), integer(0), integer(3)}), "ab");
  EXPECT_EQ(eval("SUBSTRING", {text("abcdef"), integer(5), integer(10)}), "ef");
  EXPECT_EQ(eval("SUBSTRING", {ntext("成本中心"), integer(2), integer(2)}), "本中");
  EXPECT_EQ(evalError("SUBSTRING", {text("abc"), integer(1), integer(-1)}), 537);
  EXPECT_EQ(eval("LEFT", {text("abcdef"), integer(2)}), "ab");
  EXPECT_EQ(eval("RIGHT", {text("abcdef"), integer(2)}), "ef");
  EXPECT_EQ(eval("RIGHT", {text("ab"), integer(5)}), "ab");
  EXPECT_EQ(evalError("RIGHT", {text("ab"), integer(-1)}), 536);
  EXPECT_EQ(call("LEFT", {text("abcdef"), integer(2)}).type.typeName(), "varchar(6)");
  EXPECT_EQ(eval("LTRIM", {text("  a b  ")}), "a b  ");
  EXPECT_EQ(eval("RTRIM", {text("  a b  ")}), "  a b");
  EXPECT_EQ(eval("UPPER", {text("CostObj é")}), "COSTOBJ É");
  EXPECT_EQ(eval("LOWER", {text("CostObj")}), "costobj");
  EXPECT_TRUE(call("UPPER", {null()}).value.isNull());
}

TEST(StringFunctions, SearchReplaceRepeat) {
  EXPECT_EQ(eval("REPLACE", {text("Cost cOST cost"), text("COST"), text("x")}), "x x x");
  EXPECT_EQ(eval("REPLACE", {text("abc"), text(""), text("x")}), "abc");
  EXPECT_EQ(eval("REPLACE", {ntext("成本中心"), ntext("中心"), ntext("-")}), "成本-");
  EXPECT_EQ(eval("CHARINDEX", {text("B"), text("abcb")}), "2");
  EXPECT_EQ(eval("CHARINDEX", {text("b"), text("abcb"), integer(3)}), "4");
  EXPECT_EQ(eval("CHARINDEX", {text("z"), text("abcb")}), "0");
  EXPECT_EQ(eval("PATINDEX", {text("%[0-9]%"), text("ab12")}), "3");
  EXPECT_EQ(eval("REPLICATE", {text("ab"), integer(3)}), "ababab");
  EXPECT_TRUE(call("REPLICATE", {text("ab"), integer(-1)}).value.isNull());
  EXPECT_EQ(eval("REPLICATE", {text("ab"), integer(0)}), "");
  EXPECT_EQ(show(call("REPLICATE", {text("ab"), integer(5000)}).value).size(), 8000u);
  EXPECT_EQ(eval("SPACE", {integer(3)}), "   ");
}

TEST(NullFunctions, IsNullCoalesceNullIf) {
  Typed shortText = as(text("ab"), SqlType::varchar(2));
  Typed r = call("ISNULL", {{Value(), SqlType::varchar(2)}, text("abcdef")});
  EXPECT_EQ(r.type.typeName(), "varchar(2)");
  EXPECT_EQ(show(r.value), "ab");  // the replacement takes the first argument's type
  EXPECT_EQ(eval("ISNULL", {shortText, text("x")}), "ab");
  EXPECT_EQ(eval("ISNULL", {{Value(), SqlType(TypeId::Int)}, num("2.7")}), "2");
  Typed c = call("COALESCE", {null(), {Value(), SqlType(TypeId::Int)}, num("2.5")});
  EXPECT_EQ(c.type.typeName(), "decimal(11,1)");
  EXPECT_EQ(show(c.value), "2.5");
  EXPECT_TRUE(call("NULLIF", {text("a"), text("A ")}).value.isNull());
  EXPECT_EQ(eval("NULLIF", {integer(1), integer(2)}), "1");
}

TEST(DateFunctions, PartsArithmeticAndDifferences) {
  Typed d = as(text("2024-01-31 10:30:15.500"), SqlType(TypeId::DateTime));
  EXPECT_EQ(eval("DATEADD", {text("month"), integer(1), d}), "2024-02-29 10:30:15.500");
  EXPECT_EQ(eval("DATEADD", {text("yy"), integer(-1), d}), "2023-01-31 10:30:15.500");
  EXPECT_EQ(eval("DATEADD", {text("dd"), integer(1), d}), "2024-02-01 10:30:15.500");
  EXPECT_EQ(eval("DATEADD", {text("hh"), integer(14), d}), "2024-02-01 00:30:15.500");
  EXPECT_EQ(eval("DATEADD", {text("ms"), integer(1), d}), "2024-01-31 10:30:15.500");
  EXPECT_EQ(eval("DATEADD", {text("q"), integer(1), text("2024-11-30")}), "2025-02-28 00:00:00.000");
  EXPECT_EQ(call("DATEADD", {text("d"), integer(1), text("2024-01-01")}).type.typeName(), "datetime");
  EXPECT_EQ(evalError("DATEADD", {text("year"), integer(9000), d}), 517);
  EXPECT_EQ(evalError("DATEADD", {text("hour"), integer(1), as(text("2024-01-01"), SqlType(TypeId::Date))}),
            9810);
  EXPECT_EQ(evalError("DATEADD", {text("fortnight"), integer(1), d}), 155);
  EXPECT_EQ(eval("DATEDIFF", {text("day"), text("2024-01-31 23:59"), text("2024-02-01 00:01")}), "1");
  EXPECT_EQ(eval("DATEDIFF", {text("month"), text("2023-12-31"), text("2024-01-01")}), "1");
  EXPECT_EQ(eval("DATEDIFF", {text("year"), text("2024-01-01"), text("2023-12-31")}), "-1");
  EXPECT_EQ(eval("DATEDIFF", {text("hour"), text("2024-01-01 10:59"), text("2024-01-01 11:00")}), "1");
  EXPECT_EQ(eval("DATEDIFF", {text("wk"), text("2024-03-02"), text("2024-03-03")}), "1");  // Sat -> Sun
  EXPECT_EQ(eval("DATEDIFF", {text("ms"), text("2024-01-01"), text("2024-01-01 00:00:01.003")}), "1003");
  EXPECT_EQ(evalError("DATEDIFF", {text("ms"), text("1900-01-01"), text("2024-01-01")}), 535);
  EXPECT_EQ(eval("DATEPART", {text("dw"), text("2024-03-03")}), "1");  // Sunday
  EXPECT_EQ(eval("DATEPART", {text("dy"), text("2024-03-01")}), "61");
  EXPECT_EQ(eval("DATEPART", {text("wk"), text("2024-01-07")}), "2");
  EXPECT_EQ(eval("DATEPART", {text("quarter"), d}), "1");
  EXPECT_EQ(eval("DATEPART", {text("ms"), d}), "500");
  EXPECT_EQ(eval("YEAR", {d}), "2024");
  EXPECT_EQ(eval("MONTH", {text("2024-07-04")}), "7");
  EXPECT_EQ(eval("DAY", {integer(0)}), "1");
  EXPECT_EQ(eval("GETDATE", {}), "2024-03-05 14:07:09.123");
}

TEST(FunctionRegistry, ResolvesByNameAndArity) {
  EXPECT_NE(findFunction("SUBSTRING"), nullptr);
  EXPECT_EQ(findFunction("NOSUCH"), nullptr);
  EXPECT_EQ(evalError("NOSUCH", {}), 195);
  EXPECT_EQ(evalError("LEN", {text("a"), text("b")}), 174);
}

}  // namespace
}  // namespace mls::tsql
