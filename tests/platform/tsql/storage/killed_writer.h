// A writer process killed at random moments: the ledger it writes and one
// round of writing and killing, shared by the durability and log tests.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/tsql/storage/storage_support.h"

namespace mls::tsql::testing {

// A ledger of 3,000 rows and the total that must agree with it.
inline void createLedger(const std::string& path) {
  auto db = openOrCreate(path);
  Session s(db);
  s.execute(
      "CREATE TABLE ledger (id INT IDENTITY PRIMARY KEY, v INT NOT NULL, pad NVARCHAR(60)) "
      "CREATE TABLE total (n INT NOT NULL, s BIGINT NOT NULL) INSERT total VALUES (0, 0)");
  s.execute(
      "DECLARE @n INT SET @n = 0 WHILE @n < 3000 BEGIN SET @n = @n + 1 "
      "INSERT ledger (v, pad) VALUES (@n, REPLICATE(N'x', 50)) END UPDATE total SET n = @n, s = @n * (@n + "
      "1) / 2");
}

// How the writer reaches the file: a connection per change (ADO, as every
// public method does), or one kept open for every change, an ADO Connection or
// an engine Session, each change reported done once its Execute returned.
enum class Writer { ConnectionPerChange, ConnectionKeptOpen, SessionKeptOpen };

// Runs `batch` (answering its change's number) again and again through
// `writer`, handing each number to `done` once the change is reported done.
inline void writeForever(Writer writer, const std::string& path, const std::string& batch,
                         const std::function<bool(int)>& done) {
  const std::string connect = "Provider=Marlstone.Embedded;Data Source=" + path;
  if (writer == Writer::SessionKeptOpen) {
    auto db = Database::open(path);
    Session s(db);
    for (;;) {
      if (!done(static_cast<int>(s.execute(batch).items.back().rowset.rows.at(0).at(0).asInt()))) return;
    }
  }
  auto kept = com::makeObject<ado::Connection>();
  if (writer == Writer::ConnectionKeptOpen) kept->open(connect);
  for (;;) {
    if (writer == Writer::ConnectionKeptOpen) {
      if (!done(kept->execute(batch)->value(size_t{0}).toLong())) return;
      continue;
    }
    auto cn = com::makeObject<ado::Connection>();
    cn->open(connect);
    int n = cn->execute(batch)->value(size_t{0}).toLong();
    cn->close();  // from here on the change is reported done
    if (!done(n)) return;
  }
}

struct KilledRound {
  bool killed = false;
  int last = -1;         // the last change reported done, -1 when none was
  int acknowledged = 0;  // changes reported done in this round
};

// Forks a writer that runs `batch` (answering its change's number) through
// `writer` on the file at `path` again and again (writeForever), and kills
// it: every fourth round anywhere within `anywhereMicros` (opening and
// loading included), else within a write cycle timed by the writer's own
// pace. `childSetup` runs first in the child.
inline KilledRound killWriterOnce(const std::string& path, const std::string& batch, int round,
                                  std::mt19937& random, int anywhereMicros,
                                  const std::function<void()>& childSetup = {},
                                  Writer writer = Writer::ConnectionPerChange) {
  KilledRound r;
  int acks[2];
  if (pipe(acks) != 0) {
    ADD_FAILURE() << "no pipe";
    return r;
  }
  pid_t pid = forkChild([&] {
    close(acks[0]);
    if (childSetup) childSetup();
    writeForever(writer, path, batch, [&](int n) { return write(acks[1], &n, sizeof n) == sizeof n; });
    return 1;
  });
  close(acks[1]);
  int n = 0;
  auto acknowledge = [&] {
    if (read(acks[0], &n, sizeof n) != sizeof n) return false;
    r.last = n;
    ++r.acknowledged;
    return true;
  };
  using Clock = std::chrono::steady_clock;
  if (round % 4 == 0) {
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, anywhereMicros)(random)));
  } else if (acknowledge()) {
    Clock::time_point t0 = Clock::now();
    if (acknowledge()) {
      auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
      std::this_thread::sleep_for(
          std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, cycle)(random)));
    }
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  r.killed = WIFSIGNALED(status);
  while (acknowledge()) {
  }
  close(acks[0]);
  return r;
}

// Writes `batch` in a writer killed 200 times (see killWriterOnce); after each
// round the file is opened again and `check` reads it, answering the total's
// change number (or -1 when it found no complete total): it must hold every
// change reported done and at most the one the writer was making.
inline void killWriterRepeatedly(const std::string& path, const std::string& batch, int anywhereMicros,
                                 const std::function<void()>& childSetup,
                                 const std::function<int64_t(Session&, int round)>& check,
                                 Writer writer = Writer::ConnectionPerChange) {
  constexpr int kKills = 200;
  std::mt19937 random(20240229);
  int acknowledgedInAll = 0, killed = 0, highest = 0;
  for (int round = 0; round < kKills; ++round) {
    const KilledRound r = killWriterOnce(path, batch, round, random, anywhereMicros, childSetup, writer);
    killed += r.killed ? 1 : 0;
    acknowledgedInAll += r.acknowledged;
    highest = std::max(highest, r.last);

    auto db = openOrCreate(path);
    Session s(db);
    const int64_t n = check(s, round);
    if (n < 0) return;
    EXPECT_GE(n, highest) << "round " << round << ": a change reported done is missing";
    if (r.last >= 0) {
      EXPECT_LE(n, r.last + 1) << "round " << round;
    }
  }
  EXPECT_EQ(killed, kKills);
  EXPECT_GT(acknowledgedInAll, kKills) << "the writer seldom got to write: kill later";
  ::testing::Test::RecordProperty("acknowledged_changes", acknowledgedInAll);
}

}  // namespace mls::tsql::testing
