#include "platform/tsql/engine.h"

#include "platform/tsql/exec/session_impl.h"

namespace mls::tsql {

Database::Database() : impl_(std::make_unique<DatabaseImpl>()) {}
Database::~Database() = default;

std::shared_ptr<Database> Database::create() {
  return std::shared_ptr<Database>(new Database());
}

Session::Session(std::shared_ptr<Database> db) : impl_(std::make_unique<SessionImpl>(std::move(db))) {}
Session::~Session() = default;

BatchResult Session::execute(std::string_view batch, const std::vector<BoundParameter>& params) {
  return impl_->execute(batch, params);
}

}  // namespace mls::tsql
