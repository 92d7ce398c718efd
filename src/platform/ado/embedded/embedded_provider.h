// The provider over the embedded T-SQL engine ("Marlstone.Embedded").
//
// `Data Source` names the database.  A bare name is an in-memory database
// that every connection of the process with that name (compared without case)
// shares, created by the first one and kept for the life of the process.  A
// name with a path separator ('/' or '\') or an extension (any '.': "erp.db",
// "costs.mlsdb") is a file, never a database that ends with the process; it
// opens through the file-database opener that durable storage installs;
// without one, Open fails.  A missing file is made only when the connection
// string says `Create=True`; `Connect Timeout` (seconds, 15 by default) is
// how long Open waits while another process holds the file.  `Initial
// Catalog` (or `Database`) is the name the connection gives its database
// (DB_NAME(), the database part of names that stay in it); without one, the
// database's own name: the Data Source's for an in-memory database, the file's
// name without its extension for a file.  Each connection
// has its own engine session, so its temporary tables are its own and end
// when it closes; what it committed to a database file is on disk when the
// Execute that committed it returns (a write that fails makes that Execute
// fail with the engine's 3202 in the description).  What opening a file said
// (3408: a damaged tail of its log, or a log that is not the file's, kept
// aside) is in the Connection's Errors
// collection after Open.
//
// The engine runs a batch to its end in the caller's thread: a command
// time-out cannot interrupt it and is not applied.  Connections of one
// database lock as SQL Server's do (a read at READ COMMITTED waits for
// another's uncommitted change); a failed batch leaves its errors, with
// their numbers (1205 a deadlock victim, 1222 a lock time-out), in the
// Errors collection.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ado/provider.h"
#include "platform/tsql/engine.h"

namespace mls::ado::embedded {

class EmbeddedProvider final : public Provider {
 public:
  const std::string& name() const override;
  std::unique_ptr<ProviderSession> open(const ConnectionProperties& props) override;
};

// Opens the database file at `path`; raises (err::kOpenFailed, Source the
// provider) when it cannot.  An empty function removes the opener.  Answers the
// opener it replaces.
using FileDatabaseOpener = std::function<std::shared_ptr<tsql::Database>(const std::string& path,
                                                                         const tsql::Database::OpenOptions&)>;
FileDatabaseOpener setFileDatabaseOpener(FileDatabaseOpener opener);

// The in-memory database a Data Source names, or null while no connection
// made it.
std::shared_ptr<tsql::Database> inMemoryDatabase(const std::string& dataSource);

// The engine's errors behind a failure, as the provider reports them: each
// with its number and SQLSTATE (40001 for a deadlock victim, as the server's
// drivers give it; HY000 for the others).  A failure outside a batch (Open,
// the write at Close) is its one error.
std::vector<ProviderMessage> providerErrors(const tsql::SqlError& e);

// Whether a Data Source names a database file rather than an in-memory database.
bool isFileDataSource(const std::string& dataSource);

}  // namespace mls::ado::embedded
