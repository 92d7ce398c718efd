// The error a call raises, for the assertions of these tests.
#pragma once

#include "platform/com/error.h"

namespace mls::odbc::testing {

template <typename F>
com::ComError raisedBy(F&& fn) {
  try {
    fn();
  } catch (const com::ComError& e) {
    return e;
  }
  return com::ComError(0, "", "nothing was raised");
}

}  // namespace mls::odbc::testing
