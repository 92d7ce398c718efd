#include "inquiry_fixture.h"

#include <stdlib.h>

#include "classes/library.h"
#include "frame/sql_literal.h"

namespace mls::testing {

using frame::sqlNumber;
using frame::sqlText;

void InquiryTest::SetUp() {
  open("Marlstone.ConcludeInfo");
}

std::string InquiryTest::recordedProps(std::shared_ptr<Recording> log) const {
  recordBatchesInto(std::move(log));
  return "ConnectString={Provider=Test.Recording;Data Source=" + db_.name() + "};Language=en";
}

void InquiryTest::group(int id, const std::string& number) const {
  exec("INSERT INTO cbCostObjGroup (FItemID, FNumber) VALUES (" + sqlNumber(id) + ", " + sqlText(number) +
       ")");
}

}  // namespace mls::testing
