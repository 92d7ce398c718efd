// tsql-shell: runs a T-SQL script against a database file.
//
//   tsql-shell <database file> [script]
//   tsql-shell --create <database file> [script]   makes the file when missing
//   tsql-shell -m <name> [script]      an in-memory database, gone at exit
//   tsql-shell :memory: [script]
//   tsql-shell --help
//
// The script (standard input when absent or "-") runs batch by batch, batches
// ending at lines that hold only GO.  A database file must exist unless
// --create is given (a missing one is error 4060, and nothing is made at the
// path); what a batch committed is written to the file's log before its
// results print, so a printed batch is on disk, and the exit (every exit once
// the file is open) checkpoints the file, so that it holds everything on its
// own.  What opening the file says (a damaged tail of its log kept aside) is
// printed first.  A failing batch prints its
// results and its errors and the next batch runs; the exit status is 1 when
// any batch failed or the database could not be written, 2 when the database
// could not be opened or the command line is wrong.  Typed at a terminal, the
// script is prompted for line by line ("1> ", numbered within the batch).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "batch_reader.h"
#include "platform/tsql/engine.h"
#include "result_printer.h"

namespace {

using mls::tsql::Database;
using mls::tsql::Session;
using mls::tsql::SqlError;

constexpr const char* kUsage =
    "usage: tsql-shell [--create] <database file> [script]\n"
    "       tsql-shell -m <name> [script]   (in-memory database; also :memory:)\n"
    "A database file must exist; --create makes a new, empty one when there is none.\n"
    "The script is read from standard input when absent or '-'; lines holding only GO end a batch.\n";

// A wrong command line: the usage on standard error, status 2.
int usage() {
  std::cerr << kUsage;
  return 2;
}

// Runs every batch of `in`, writing what each one committed; false when one
// failed or could not be written.
bool runScript(std::istream& in, bool prompt, Database& db, Session& session) {
  namespace shell = mls::tsql::shell;
  bool ok = true;
  std::function<void(int)> promptFor;
  if (prompt) promptFor = [](int line) { std::cout << line << "> " << std::flush; };
  shell::BatchReader reader(in, std::move(promptFor));
  while (std::optional<std::string> batch = reader.next()) {
    bool batchFailed = false;
    mls::tsql::BatchResult results;
    try {
      results = session.execute(*batch);
    } catch (const SqlError& e) {
      results = e.partial();
      batchFailed = true;
    }
    std::optional<SqlError> unsaved;
    try {
      db.flush();
    } catch (const SqlError& e) {
      unsaved = e;
    }
    shell::printResults(results, std::cout);
    if (batchFailed) {
      for (const mls::tsql::SqlMessage& m : results.errors)
        shell::printError(m, std::cout);
    }
    if (unsaved) shell::printError(*unsaved, std::cout);
    if (batchFailed || unsaved) {
      ok = false;
    }
    std::cout.flush();
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    std::cout << kUsage;
    return 0;
  }
  bool create = false;
  if (!args.empty() && args[0] == "--create") {
    create = true;
    args.erase(args.begin());
  }
  bool memory = false;
  if (!args.empty() && args[0] == "-m") {
    if (args.size() < 2) return usage();
    memory = true;
    args.erase(args.begin());
  } else if (!args.empty() && args[0] == ":memory:") {
    memory = true;
  }
  if (args.empty() || args.size() > 2 || args[0].empty() || (!memory && args[0].starts_with("-")))
    return usage();

  std::ifstream file;
  if (args.size() == 2 && args[1] != "-") {
    // A folder opens as a stream that reads nothing: only a file is a script.
    std::error_code ec;
    if (!std::filesystem::is_directory(args[1], ec)) file.open(args[1]);
    if (!file.is_open() || !file) {
      std::cerr << "tsql-shell: cannot read the script '" << args[1] << "'\n";
      return 2;
    }
  }
  std::istream& script = file.is_open() ? static_cast<std::istream&>(file) : std::cin;

  std::shared_ptr<Database> db;
  Database::OpenOptions options{.create = create};
  options.waiting = [&] {
    std::cerr << "tsql-shell: another process has " << args[0] << " open; waiting up to "
              << options.timeoutSeconds << " s for it\n";
  };
  try {
    db = memory ? Database::create() : Database::open(args[0], options);
  } catch (const SqlError& e) {
    mls::tsql::shell::printError(e, std::cerr);
    if (e.number() == 4060)
      std::cerr << "(tsql-shell --create " << args[0] << " makes a new, empty database)\n";
    return 2;
  }
  for (const mls::tsql::SqlMessage& m : db->takeMessages())
    std::cout << m.text << '\n';
  Session session(db);
  const bool prompt = !file.is_open() && ::isatty(STDIN_FILENO);
  bool ok = runScript(script, prompt, *db, session);
  if (prompt) std::cout << "\n";
  try {
    session.close();  // takes back a transaction left open, then writes
  } catch (const SqlError& e) {
    mls::tsql::shell::printError(e, std::cout);
    ok = false;
  }
  if (memory) {
    // Nothing to write: the process ends without freeing the rows one by one.
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(ok ? 0 : 1);
  }
  // The last handles of a file go on return; the exit then checkpoints it
  // (storage/file_databases), keeping its rows to the end rather than
  // freeing them one by one.
  return ok ? 0 : 1;
}
