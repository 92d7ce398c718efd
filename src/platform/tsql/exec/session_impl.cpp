#include "platform/tsql/exec/session_impl.h"

#include <memory>
#include <utility>

#include "platform/tsql/errors.h"
#include "platform/tsql/exec/executor.h"
#include "platform/tsql/parse/parser.h"

namespace mls::tsql {

SessionImpl::SessionImpl(std::shared_ptr<Database> db) : db_(std::move(db)) {}

SessionImpl::~SessionImpl() {
  std::lock_guard<std::recursive_mutex> lock(database().mutex());
  undo_.rollback();
  temporary_.clear();
}

int SessionImpl::parameterSlot(int index) const {
  if (index < 1 || static_cast<size_t>(index) > parameterSlots_.size()) {
    throwSqlError(137, {"@P" + std::to_string(index)});
  }
  return parameterSlots_[static_cast<size_t>(index - 1)];
}

BatchResult SessionImpl::execute(std::string_view text, const std::vector<BoundParameter>& params) {
  BatchResult out;
  Frame frame;
  std::vector<int> slots;
  for (const BoundParameter& p : params) {
    int i = frame.add(p.name, p.type, ast::Pos{0, 0});
    frame.at(i).value = p.value;
    slots.push_back(i);
  }
  setParameterSlots(std::move(slots));
  setFrame(&frame);
  struct Reset {
    SessionImpl& s;
    ~Reset() {
      s.setFrame(nullptr);
      s.setParameterSlots({});
    }
  } reset{*this};
  try {
    auto stmts = std::make_shared<std::vector<ast::StmtPtr>>(parseBatch(text));
    declareBatchVariables(*stmts, frame);
    Executor executor(*this, out, stmts);
    executor.run(*stmts);
  } catch (SqlError& e) {
    e.setPartial(std::move(out));
    throw;
  }
  return out;
}

}  // namespace mls::tsql
