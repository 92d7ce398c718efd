// The error a call raises, for tests that expect one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/com/error.h"

namespace mls::testing {

// The number of the error `call` raises, 0 when it raises none; its
// description goes to `description` when given.
inline int32_t errorOf(const std::function<void()>& call, std::string* description = nullptr) {
  try {
    call();
  } catch (const com::ComError& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

// The error `fn` raises; number 0 and no failure when it raises none.
template <class F>
com::ComError raisedBy(F&& fn) {
  try {
    fn();
  } catch (const com::ComError& e) {
    return e;
  }
  return com::ComError(0, "", "nothing was raised");
}

// The whole error `call` raises; a test failure naming `what` when it raises none.
inline com::ExcepInfo failureOf(const std::string& what, const std::function<void()>& call) {
  try {
    call();
  } catch (const com::ComError& e) {
    return e.info();
  }
  ADD_FAILURE() << what << " did not fail";
  return {};
}

}  // namespace mls::testing
