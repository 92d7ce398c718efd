#include "frame/class_data_env.h"

#include "frame/component.h"
#include "platform/com/error.h"

namespace mls::frame {

ClassDataEnv::~ClassDataEnv() {
  dataSource_.reset();
  parser_.reset();
}

void ClassDataEnv::init(std::string_view props) {
  parser_ = std::make_shared<CParse>();
  parser_->parseString(props);
  dataSource_ = std::make_shared<CDataSource>(parser_);
}

CParse& ClassDataEnv::parser() const {
  if (!parser_) com::raise(com::err::kObjectVariableNotSet, kComponent);
  return *parser_;
}

CDataSource& ClassDataEnv::dataSource() const {
  if (!dataSource_) com::raise(com::err::kObjectVariableNotSet, kComponent);
  return *dataSource_;
}

}  // namespace mls::frame
