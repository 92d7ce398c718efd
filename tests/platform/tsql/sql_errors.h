// The engine's error a statement raises, for the engine's tests that expect one.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/tsql/engine.h"

namespace mls::tsql::testing {

// The error number `f` raises, 0 when it raises none.
template <class F>
int errorOf(F&& f) {
  try {
    f();
  } catch (const SqlError& e) {
    return e.number();
  }
  return 0;
}

// The error number a batch raises on `s`, 0 when it raises none.
inline int errorOf(Session& s, const std::string& sql) {
  return errorOf([&] { s.execute(sql); });
}

// The whole error `f` raises; a test failure when it raises none.
template <class F>
SqlError raised(F&& f) {
  try {
    f();
  } catch (const SqlError& e) {
    return e;
  }
  ADD_FAILURE() << "no SqlError raised";
  return SqlError(0, 0, 0, 0, "");
}

// The whole error a batch raises on `s`; a test failure naming the batch when
// it raises none.
inline SqlError failure(Session& s, const std::string& sql, const std::vector<BoundParameter>& params = {}) {
  try {
    s.execute(sql, params);
  } catch (const SqlError& e) {
    return e;
  }
  ADD_FAILURE() << "no error from: " << sql;
  return SqlError(0, 0, 0, 0, "");
}

}  // namespace mls::tsql::testing
