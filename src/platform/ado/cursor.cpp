#include "platform/ado/cursor.h"

#include <algorithm>
#include <cctype>
#include <numeric>

#include "platform/ado/errors.h"
#include "platform/ado/value_order.h"

namespace mls::ado {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
    s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.remove_suffix(1);
  return s;
}

}  // namespace

Cursor::Cursor(RowsetData data) : data_(std::move(data)) {
  rebuild();
}

std::optional<size_t> Cursor::findColumn(std::string_view name) const {
  for (size_t i = 0; i < data_.columns.size(); ++i) {
    if (com::compareText(data_.columns[i].name, name, true) == 0) return i;
  }
  return std::nullopt;
}

void Cursor::requireRecord() const {
  if (onDeleted_ || bof() || eof()) raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
}

void Cursor::moveFirst() {
  if (view_.empty()) raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
  pos_ = 0;
  onDeleted_ = false;
}

void Cursor::moveLast() {
  if (view_.empty()) raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
  pos_ = count() - 1;
  onDeleted_ = false;
}

// After a delete, pos_ stands on the record before the deleted one (or at BOF).
void Cursor::moveNext() {
  if (!onDeleted_ && eof()) raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
  ++pos_;
  onDeleted_ = false;
}

void Cursor::movePrevious() {
  if (onDeleted_) {
    onDeleted_ = false;
    return;
  }
  if (bof()) raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
  --pos_;
}

void Cursor::move(int64_t n) {
  if (onDeleted_) {
    onDeleted_ = false;
    pos_ = std::clamp<int64_t>(pos_ + (n > 0 ? n : n + 1), -1, count());
    return;
  }
  if (view_.empty() || (n > 0 && eof()) || (n < 0 && bof()) || (n == 0 && (bof() || eof()))) {
    raiseAdo(com::err::kNoCurrentRecord, kRecordsetClass);
  }
  pos_ = std::clamp<int64_t>(pos_ + n, -1, count());
}

int64_t Cursor::absolutePosition() const {
  if (bof()) return kPosBof;
  if (eof()) return kPosEof;
  return pos_ + 1;
}

void Cursor::setAbsolutePosition(int64_t position) {
  if (position < 1 || position > count()) raiseAdo(err::kInvalidArgument, kRecordsetClass);
  pos_ = position - 1;
  onDeleted_ = false;
}

const com::Variant& Cursor::value(size_t column) const {
  requireRecord();
  return data_.rows[view_[static_cast<size_t>(pos_)]][column];
}

void Cursor::setValue(size_t column, const com::Variant& value) {
  requireRecord();
  com::Variant v;
  if (value.isNull() || value.isEmpty()) {
    v = com::Variant::null();
  } else {
    try {
      v = value.convertTo(variantKindOf(data_.columns[column].type));
    } catch (const com::ComError& e) {
      com::reraise(e, kFieldClass);
    }
  }
  currentRow()[column] = std::move(v);
}

void Cursor::addNew() {
  data_.rows.emplace_back(data_.columns.size(), com::Variant::null());
  view_.push_back(data_.rows.size() - 1);
  pos_ = count() - 1;
  onDeleted_ = false;
}

void Cursor::deleteCurrent() {
  requireRecord();
  const size_t row = view_[static_cast<size_t>(pos_)];
  deleted_.resize(data_.rows.size());
  deleted_[row] = true;
  view_.erase(view_.begin() + pos_);
  --pos_;
  onDeleted_ = true;
}

void Cursor::setFilter(std::string_view criteria) {
  criteria = trim(criteria);
  std::optional<FilterCriteria> parsed;
  if (!criteria.empty()) parsed = FilterCriteria::parse(criteria, data_.columns);
  filterCriteria_ = std::move(parsed);
  filterText_ = criteria;
  rebuild();
}

void Cursor::setSort(std::string_view spec) {
  std::vector<std::pair<size_t, bool>> keys;
  std::string_view rest = trim(spec);
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view item = trim(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view{} : trim(rest.substr(comma + 1));
    if (item.empty() || (comma != std::string_view::npos && rest.empty())) {
      raiseAdo(err::kInvalidArgument, kRecordsetClass, "Invalid sort '" + std::string(spec) + "'");
    }
    bool descending = false;
    size_t space = item.find_last_of(" \t]");
    if (space != std::string_view::npos && item[space] != ']') {
      std::string_view word = item.substr(space + 1);
      if (com::compareText(word, "DESC", true) == 0) {
        descending = true;
      } else if (com::compareText(word, "ASC", true) != 0) {
        raiseAdo(err::kInvalidArgument, kRecordsetClass,
                 "Invalid sort '" + std::string(spec) + "': '" + std::string(word) + "' is not ASC or DESC");
      }
      item = trim(item.substr(0, space));
    }
    if (item.size() >= 2 && item.front() == '[' && item.back() == ']') item = item.substr(1, item.size() - 2);
    std::optional<size_t> column = findColumn(item);
    if (!column) {
      raiseAdo(
          com::err::kItemNotFound, kRecordsetClass,
          "Item cannot be found in the collection corresponding to the requested name or ordinal: sort field "
          "'" +
              std::string(item) + "'.");
    }
    keys.emplace_back(*column, descending);
  }
  sortKeys_ = std::move(keys);
  sortText_ = trim(spec);
  rebuild();
}

void Cursor::rebuild() {
  view_.resize(data_.rows.size());
  std::iota(view_.begin(), view_.end(), size_t{0});
  std::erase_if(view_, [&](size_t row) { return row < deleted_.size() && deleted_[row]; });
  if (!sortKeys_.empty()) {
    std::stable_sort(view_.begin(), view_.end(), [&](size_t a, size_t b) {
      for (const auto& [column, descending] : sortKeys_) {
        int c = compareFieldValues(data_.rows[a][column], data_.rows[b][column]);
        if (c != 0) return descending ? c > 0 : c < 0;
      }
      return false;
    });
  }
  if (filterCriteria_) {
    std::erase_if(view_, [&](size_t row) { return !filterCriteria_->matches(data_.rows[row]); });
  }
  pos_ = 0;
  onDeleted_ = false;
}

}  // namespace mls::ado
