// The engine lives in whatever process loads it: making a database leaves the
// process's own settings (here the allocator's) as the host chose them.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>

#include "platform/tsql/engine.h"

namespace {

// Whether a fresh block of `bytes` is mapped on its own rather than cut from the heap.
bool mappedApart(size_t bytes) {
  const size_t before = mallinfo2().hblks;
  void* volatile p = std::malloc(bytes);  // volatile: kept though never used
  const bool apart = mallinfo2().hblks > before;
  std::free(p);
  return apart;
}

TEST(HostProcess, MakingDatabasesKeepsTheHostsAllocatorThresholds) {
  // The host maps blocks of 1 MiB and more apart (and so fixes the threshold).
  ASSERT_EQ(mallopt(M_MMAP_THRESHOLD, 1 << 20), 1);
  ASSERT_TRUE(mappedApart(4 << 20));
  {
    std::shared_ptr<mls::tsql::Database> db = mls::tsql::Database::create();
    mls::tsql::Session session(db);
    session.execute("CREATE TABLE t (a INT) INSERT INTO t VALUES (1)");
  }
  EXPECT_TRUE(mappedApart(4 << 20));
  EXPECT_TRUE(mappedApart(16 << 20));
}

}  // namespace
