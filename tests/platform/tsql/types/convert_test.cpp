// Conversions a SQL text cannot reach directly; their rules are checked
// through SQL in tests/platform/tsql/cases/conversion.test and dates.test.
#include <gtest/gtest.h>

#include "test_util.h"

namespace mls::tsql {
namespace {

using namespace mls::tsql::testing;

const SqlType kInt(TypeId::Int);
const SqlType kDateTime(TypeId::DateTime);

TEST(Convert, ImplicitConversionOfADateToIntIsRefused) {
  EXPECT_EQ(errorOf([] { implicitConvert(Value::dateTime(DateTime()), kDateTime, kInt); }), 257);
}

}  // namespace
}  // namespace mls::tsql
