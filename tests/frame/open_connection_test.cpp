// A connection held by OpenConnection is closed on every path: by close() on
// success, by unwinding on failure, never twice, and kept open only when it
// is handed on.
#include <gtest/gtest.h>

#include <stdexcept>

#include "frame/open_connection.h"
#include "support/test_database.h"

namespace mls::testing {
namespace {

class OpenConnectionTest : public ::testing::Test {
 protected:
  com::Ref<ado::Connection> opened() const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(db_.connectString());
    return c;
  }
  TestDatabase db_;
};

TEST_F(OpenConnectionTest, EveryPathEndsTheConnectionUnlessItIsHandedOn) {
  enum class Path { Close, Failure, AlreadyClosed, HandedOn };
  for (Path path : {Path::Close, Path::Failure, Path::AlreadyClosed, Path::HandedOn}) {
    SCOPED_TRACE(static_cast<int>(path));
    com::Ref<ado::Connection> raw = opened();
    com::Ref<ado::Connection> kept;
    try {
      frame::OpenConnection c(raw);
      if (path == Path::AlreadyClosed) raw->close();
      if (path == Path::Failure) throw std::runtime_error("the work failed");
      if (path == Path::HandedOn) kept = c.release();
      c.close();
      EXPECT_FALSE(c);
    } catch (const std::runtime_error&) {
      EXPECT_EQ(path, Path::Failure);
    }
    EXPECT_EQ(raw->state(), path == Path::HandedOn ? ado::kStateOpen : ado::kStateClosed);
  }
}

}  // namespace
}  // namespace mls::testing
