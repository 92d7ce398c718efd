// The connection context a public object keeps between the start of a call and
// the next: its properties parser and its data source.  init() is the class
// initializer every public method calls with its properties string; the
// destructor releases the data source first, then the parser.
#pragma once

#include <memory>
#include <string_view>

#include "frame/cparse.h"
#include "frame/data_source.h"

namespace mls::frame {

class ClassDataEnv {
 public:
  ClassDataEnv() = default;
  ~ClassDataEnv();
  ClassDataEnv(const ClassDataEnv&) = delete;
  ClassDataEnv& operator=(const ClassDataEnv&) = delete;

  // Makes a new parser the object's parser and parses `props` with it (457 for
  // a key given twice), then makes a new data source over it.
  void init(std::string_view props);

  // Both raise 91 before the first init().
  CParse& parser() const;
  CDataSource& dataSource() const;

 private:
  std::shared_ptr<CParse> parser_;
  std::shared_ptr<CDataSource> dataSource_;
};

}  // namespace mls::frame
