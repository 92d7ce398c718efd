#include "schema/demoplant/row_writer.h"

namespace mls::demoplant {
namespace {

constexpr int kRowsPerStatement = 200;

}  // namespace

RowWriter::RowWriter(std::vector<std::string>& out, std::string table, std::string columns)
    : out_(out), head_("INSERT INTO " + table + " (" + columns + ") VALUES\r\n") {}

RowWriter::~RowWriter() {
  flush();
}

void RowWriter::row(const std::vector<std::string>& literals) {
  pending_ += pendingRows_ == 0 ? "(" : ",\r\n(";
  for (size_t i = 0; i < literals.size(); ++i) {
    if (i) pending_ += ", ";
    pending_ += literals[i];
  }
  pending_ += ")";
  ++rows_;
  if (++pendingRows_ == kRowsPerStatement) flush();
}

void RowWriter::flush() {
  if (pendingRows_ == 0) return;
  out_.push_back(head_ + pending_ + "\r\n");
  pending_.clear();
  pendingRows_ = 0;
}

}  // namespace mls::demoplant
