// The fixture of behaviour tests through one public class: the classes served
// in process, an embedded database seeded with the system and ERP schemas, and
// the class created by ProgID and called by member name.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/variant.h"
#include "support/com_errors.h"
#include "support/test_database.h"

namespace mls::testing {

class PublicClassTest : public ::testing::Test {
 protected:
  // Seeds the database and creates `progId`.
  void open(const std::string& progId);

  // <class>.<member>(props, args...); raises what the method raises.
  com::Variant call(const std::string& member, std::vector<com::Variant> args = {});
  com::Variant callWith(const std::string& props, const std::string& member, std::vector<com::Variant> args);
  // The error of a call that must fail.
  com::ExcepInfo failure(const std::string& member, std::vector<com::Variant> args = {});

  // <obj>.<member>(props, args...), for tests that call a second class too.
  static com::Variant callOn(com::Dispatch& obj, const std::string& props, const std::string& member,
                             std::vector<com::Variant> args);

  TestDatabase db_;
  com::Ref<com::Dispatch> object_;
};

}  // namespace mls::testing
