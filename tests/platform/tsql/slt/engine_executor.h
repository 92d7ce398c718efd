// The runner's Executor over the embedded engine: one Database per instance, so
// each test file starts from an empty database, and one Session per connection.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "executor.h"
#include "platform/tsql/engine.h"

namespace mls::tsql::slt {

class EngineExecutor : public Executor {
 public:
  EngineExecutor();
  ExecOutcome execute(const std::string& batch) override;
  void useConnection(const std::string& name) override;

 private:
  std::shared_ptr<Database> db_;
  std::map<std::string, std::unique_ptr<Session>> sessions_;
  Session* current_ = nullptr;
};

// A value as a client of the server sees it in a column of `type`: decimal and
// money with all scale digits, float in the shortest form that reads back
// exactly, datetime as "yyyy-mm-dd hh:mi:ss.mmm", date as "yyyy-mm-dd".
Cell toCell(const Value& v, const SqlType& type);

}  // namespace mls::tsql::slt
