// The behaviour records' runner: calls on the public classes written as data.
//
//   mls_records PATH...   runs each file PATH, or every *.calls file under a
//                         folder named "cases" below the folder PATH
//
// Each file gets an embedded database of its own with the system and ERP
// schemas loaded, the classes served in process.  Lines starting with "#" are
// comments; records are separated by blank lines and run in order:
//
//   database                    a fresh database replaces the file's database
//   sql [error]                 the following lines are one batch; it must run
//                               (or, with "error", fail)
//   query [sorted]              SQL lines, a line "----", then the rows the SQL
//                               must answer (sorted: compared in sorted order)
//   call [LANGUAGE] PROGID MEMBER ARGS...
//                               creates PROGID and calls MEMBER with the
//                               properties string for this database in the
//                               language (en, chs, cht; en unless given) and
//                               ARGS, JSON values read as the host's "marlstone
//                               call" reads them (a bare number is a Long,
//                               "text" a String).
//                               Expectation lines follow, in any order:
//     props TEXT                TEXT is the properties string instead
//     result JSON               the value answered: same kind and value
//     result object|nothing|empty
//                               an object answered, Nothing, or Empty
//     arg N list|nothing|missing|recordset SQL
//                               argument N (from 1) is passed as a Halvern.List
//                               of its array's items, Nothing, omitted, or a
//                               detached recordset of the rows SQL answers
//     error [N [SOURCE [TEXT]]] the call raises N (JSON values, null for any:
//                               the number, the source as it is, a fragment of
//                               the description); without it the call must
//                               raise nothing
//     votes WORD...             the votes cast, in order (SetComplete, SetAbort),
//                               or "none"; unchecked without this line
//     out NAME KIND TEXT        the by-reference parameter NAME afterwards, e.g.
//                               "out EndDate Date 2024-04-01" (the record then
//                               passes its arguments by reference)
//     columns NAME...           the field names of the recordset answered (the
//                               keys of each dictionary of a list answered)
//     kinds KIND...             the kinds of each row's values (Long, String..)
//     detached                  the recordset answered has no connection
//     lock N                    the recordset answered has lock type N
//     count N                   N rows are answered
//     rows [sorted] [FIELD...]  last: the rows answered (the fields named, all
//                               when none), one a line until the blank line
//                               (none for an empty set)
//   The last six need a recordset or a list of dictionaries answered.
//
//   include FILE                the records of FILE (a path from this file's
//                               folder) run here, e.g. a seed shared by
//                               several files
//
// A row is its values as text, Null as "NULL", '' as "(empty)", joined by " | ".  The closing
// line is "N passed, N failed" (one per query, call or sql error record); the exit status
// is 1 when a record failed.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "classes/library.h"
#include "platform/ado/connection.h"
#include "platform/ado/recordset.h"
#include "platform/com/dispatch.h"
#include "platform/com/error.h"
#include "platform/com/object_context.h"
#include "platform/com/registry.h"
#include "platform/halvern/dictionary.h"
#include "platform/halvern/list.h"
#include "support/com_errors.h"
#include "support/test_database.h"

namespace mls::records {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Record {
  std::string file;
  int line = 0;  // of the header
  Lines body;    // the lines after the header
  std::string header;
};

std::string word(std::string& rest) {
  size_t start = rest.find_first_not_of(' ');
  if (start == std::string::npos) return rest = "", "";
  size_t end = rest.find(' ', start);
  std::string w = rest.substr(start, end - start);
  rest = end == std::string::npos ? "" : rest.substr(end + 1);
  return w;
}

std::string text(const com::Variant& v) {
  if (v.isNull()) return "NULL";
  std::string t = v.toString();
  return t.empty() ? "(empty)" : t;
}

std::string joined(const std::vector<std::string>& values, const char* separator) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i)
    out += (i ? separator : "") + values[i];
  return out;
}

// What a record expects of the recordset or list a call answers.
struct Shape {
  std::optional<std::string> columns, kinds;
  bool detached = false;
  std::optional<int32_t> lock;
  std::optional<size_t> count;  // of the rows
  std::optional<Lines> rows;
  bool sorted = false;
  std::string fields;  // the fields a row shows, all when empty
};

class FileRun {
 public:
  FileRun(int& passed, int& failed) : passed_(passed), failed_(failed) { fresh(); }

  void run(const Record& r) {
    std::string rest = r.header;
    const std::string kind = word(rest);
    where_ = r.file + ":" + std::to_string(r.line);
    failures_ = 0;
    try {
      if (kind == "sql" && rest == "error") {
        check(testing::errorOf([&] { db_->run(joined(r.body, "\n")); }) != 0, "the batch ran");
      } else if (kind == "sql") {
        db_->run(joined(r.body, "\n"));
        return;
      } else if (kind == "database") {
        return fresh();
      } else if (kind == "query") {
        query(rest == "sorted", r.body);
      } else if (kind == "call") {
        call(rest, r.body);
      } else {
        fail(r.line == 0 ? std::string("cannot be read") : "unknown record '" + kind + "'");
      }
    } catch (const com::ComError& e) {
      fail(raisedText(e));
    } catch (const std::exception& e) {
      fail(e.what());  // a malformed number in the record
    }
    (failures_ ? failed_ : passed_) += 1;
  }

 private:
  void fresh() {
    db_.emplace();
    db_->runSchemaFile("erp.sql");
  }
  com::Variant detached(const std::string& sql) const {
    com::Ref<ado::Connection> c = com::makeObject<ado::Connection>();
    c->open(db_->connectString());
    com::Ref<ado::Recordset> rs = c->execute(sql, nullptr, -1);
    rs->setActiveConnection(nullptr);
    c->close();
    return com::Variant(com::Ref<com::Dispatch>(rs));
  }
  static std::string raisedText(const com::ComError& e) {
    return "raised " + std::to_string(e.number()) + " \"" + e.source() + "\" \"" + e.description() + "\"";
  }
  void fail(const std::string& why) {
    std::cout << where_ << ": " << why << "\n";
    ++failures_;
  }
  void check(bool ok, const std::string& why) {
    if (!ok) fail(why);
  }
  void compareRows(Lines actual, Lines expected, bool sorted) {
    if (sorted) {
      std::sort(actual.begin(), actual.end());
      std::sort(expected.begin(), expected.end());
    }
    if (actual == expected) return;
    fail("rows differ\n  expected:\n    " + joined(expected, "\n    ") + "\n  actual:\n    " +
         joined(actual, "\n    "));
  }

  void query(bool sorted, const Lines& body) {
    auto bar = std::find(body.begin(), body.end(), "----");
    if (bar == body.end()) return fail("a query needs a line \"----\" before its rows");
    Lines actual;
    for (const std::vector<com::Variant>& row : db_->run(joined(Lines(body.begin(), bar), "\n"))) {
      Lines texts;
      for (const com::Variant& v : row)
        texts.push_back(text(v));
      actual.push_back(joined(texts, " | "));
    }
    compareRows(actual, Lines(bar + 1, body.end()), sorted);
  }

  void call(std::string rest, const Lines& body) {
    std::string language = "en";
    std::string progId = word(rest);
    if (progId.find('.') == std::string::npos) language = std::exchange(progId, word(rest));
    const std::string member = word(rest);
    std::vector<com::Variant> args = host::parseJsonValues(rest);

    std::string props = db_->props(language);
    std::optional<std::vector<com::Variant>> error, result;
    std::optional<std::string> votes;
    std::string answerIs;                     // "object", "nothing" or "empty": what was answered
    std::map<std::string, std::string> outs;  // by name: kind and text
    Shape shape;
    for (size_t i = 0; i < body.size(); ++i) {
      std::string line = body[i];
      const std::string key = word(line);
      if (key == "props") {
        props = line;
      } else if (key == "arg") {
        const size_t n = std::stoul(word(line));
        if (n == 0 || n > args.size()) return fail("no argument " + std::to_string(n));
        if (line.starts_with("recordset ")) {
          args[n - 1] = detached(line.substr(10));
        } else if (line == "nothing" || line == "missing") {
          args[n - 1] = line == "nothing" ? com::Variant::nothing() : com::Variant::missing();
        } else {
          com::Ref<com::Dispatch> list = halvern::createList();
          for (const com::Variant& item : args[n - 1].array().elements())
            dynamic_cast<halvern::List&>(*list).add(item);
          args[n - 1] = com::Variant(list);
        }
      } else if (key == "result" && (line == "object" || line == "nothing" || line == "empty")) {
        answerIs = line;
      } else if (key == "result") {
        result = host::parseJsonValues(line);
      } else if (key == "error") {
        error = host::parseJsonValues(line);
      } else if (key == "votes") {
        votes = line;
      } else if (key == "out") {
        std::string name = word(line);
        outs[name] = line;
      } else if (key == "columns") {
        shape.columns = line;
      } else if (key == "kinds") {
        shape.kinds = line;
      } else if (key == "count") {
        shape.count = std::stoul(line);
      } else if (key == "lock") {
        shape.lock = std::stoi(line);
      } else if (key == "detached") {
        shape.detached = true;
      } else if (key == "rows") {
        if (line.starts_with("sorted")) shape.sorted = word(line) == "sorted";
        shape.fields = line;
        shape.rows = Lines(body.begin() + static_cast<long>(i) + 1, body.end());
        break;
      } else {
        return fail("unknown expectation '" + key + "'");
      }
    }

    com::Ref<com::Dispatch> obj = com::createObject(progId);
    const com::TypeInfo* type = com::typeInfoOf(*obj);
    const com::TypeInfo::Member* info = type ? type->find(member, com::kMethodOrGet) : nullptr;
    std::vector<com::Variant> values = args;
    std::vector<com::Variant> passed{com::Variant(props)};
    std::map<std::string, size_t> outAt;  // each out parameter's place among the record's arguments
    if (!outs.empty()) {
      if (!info) return fail(progId + " does not describe " + member);
      const std::vector<com::Param>& params = info->info.params;
      for (const auto& out : outs) {
        const std::string& name = out.first;
        auto p =
            std::find_if(params.begin(), params.end(), [&](const com::Param& q) { return q.name == name; });
        // The properties string is the first parameter, the record's arguments follow.
        if (p == params.end() || p == params.begin()) return fail(member + " has no parameter " + name);
        outAt[name] = static_cast<size_t>(p - params.begin()) - 1;
        while (values.size() <= outAt[name])
          values.push_back(params[values.size() + 1].optional ? com::Variant::missing() : com::Variant());
      }
      for (com::Variant& v : values)
        passed.push_back(com::Variant::byRef(&v));
    } else {
      passed.insert(passed.end(), args.begin(), args.end());
    }

    com::Variant answer;
    std::optional<com::ComError> raised;
    com::VoteRecorder recorder;
    try {
      answer = com::invokeByName(*obj, member, com::kMethodOrGet, passed);
    } catch (const com::ComError& e) {
      raised = e;
    }

    if (votes) {
      std::vector<std::string> cast;
      for (com::Vote v : recorder.votes())
        cast.push_back(com::voteName(v));
      const std::string actual = cast.empty() ? "none" : joined(cast, " ");
      check(actual == *votes, "votes: expected " + *votes + ", cast " + actual);
    }
    if (error && !raised) return fail("raised nothing");
    if (raised) {
      const std::vector<com::Variant> e = error.value_or(std::vector<com::Variant>{});
      const bool same = error && (e.empty() || e[0].isNull() || raised->number() == e[0].toLong()) &&
                        (e.size() < 2 || e[1].isNull() || raised->source() == e[1].toString()) &&
                        (e.size() < 3 || raised->description().find(e[2].toString()) != std::string::npos);
      if (!same) return fail(raisedText(*raised));
    }
    if (!answerIs.empty()) {
      const bool object = answer.isObject() && answer.toObject().get() != nullptr;
      check(answerIs == (answer.isEmpty()    ? "empty"
                         : object            ? "object"
                         : answer.isObject() ? "nothing"
                                             : "a value"),
            "answered " + answer.debugString());
    }
    if (result) {
      check(result->size() == 1 && answer.debugString() == (*result)[0].debugString(),
            "answered " + answer.debugString());
    }
    for (const auto& [name, expected] : outs) {
      const com::Variant& actual = values[outAt[name]];
      const std::string got = std::string(com::kindName(actual.kind())) + " " + text(actual);
      check(got == expected, name + " is " + got);
    }
    if (shape.columns || shape.kinds || shape.detached || shape.lock || shape.count || shape.rows)
      answered(answer, shape);
  }

  void answered(const com::Variant& answer, const Shape& want) {
    auto named = [&](const std::vector<std::string>& names) {
      check(!want.columns || joined(names, " ") == *want.columns, "columns " + joined(names, " "));
    };
    std::vector<std::string> shown;
    for (std::string f = want.fields, w = word(f); !w.empty(); w = word(f))
      shown.push_back(w);
    std::vector<std::vector<com::Variant>> values;
    com::Ref<com::Dispatch> object = answer.isObject() ? answer.toObject() : com::Ref<com::Dispatch>();
    if (auto* rs = dynamic_cast<ado::Recordset*>(object.get())) {
      std::vector<std::string> names;
      for (size_t i = 0; i < rs->fieldCount(); ++i)
        names.push_back(rs->fieldInfo(i).name);
      named(names);
      check(!want.detached || !rs->activeConnection(), "the recordset keeps its connection");
      check(!want.lock || rs->lockType() == *want.lock, "lock type " + std::to_string(rs->lockType()));
      if (rs->recordCount() > 0) rs->moveFirst();
      for (; !rs->eof(); rs->moveNext()) {
        values.emplace_back();
        for (size_t i = 0; i < (shown.empty() ? names.size() : shown.size()); ++i)
          values.back().push_back(shown.empty() ? rs->value(i) : rs->value(shown[i]));
      }
    } else if (auto* list = dynamic_cast<halvern::List*>(object.get())) {
      for (const com::Variant& item : *list) {
        com::Ref<com::Dispatch> d = item.toObject();
        auto* dict = dynamic_cast<halvern::Dictionary*>(d.get());
        if (!dict) return fail("a list item is no dictionary");
        named(dict->keys());
        values.emplace_back();
        for (const std::string& k : shown.empty() ? dict->keys() : shown)
          values.back().push_back(dict->item(k));
      }
    } else {
      return fail("answered " + answer.debugString() + ", no recordset or list");
    }
    Lines actual;
    for (const std::vector<com::Variant>& row : values) {
      std::vector<std::string> texts, kinds;
      for (const com::Variant& v : row) {
        texts.push_back(text(v));
        kinds.push_back(com::kindName(v.kind()));
      }
      check(!want.kinds || joined(kinds, " ") == *want.kinds, "kinds " + joined(kinds, " "));
      actual.push_back(joined(texts, " | "));
    }
    check(!want.count || actual.size() == *want.count, std::to_string(actual.size()) + " rows");
    if (want.rows) compareRows(actual, *want.rows, want.sorted);
  }

  int& passed_;
  int& failed_;
  std::string where_;  // the record's file and line
  int failures_ = 0;
  std::optional<testing::TestDatabase> db_;
};

std::vector<Record> readRecords(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {{path, 0, {}, ""}};  // a record that fails
  std::vector<Record> out;
  std::string line;
  bool open = false;
  for (int n = 1; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("#")) continue;
    if (line.find_first_not_of(' ') == std::string::npos) {
      open = false;
    } else if (!open && line.starts_with("include ")) {
      for (Record& r : readRecords((fs::path(path).parent_path() / line.substr(8)).string()))
        out.push_back(std::move(r));
    } else if (!open) {
      out.push_back({path, n, {}, line});
      open = true;
    } else {
      out.back().body.push_back(line);
    }
  }
  return out;
}

}  // namespace
}  // namespace mls::records

int main(int argc, char** argv) {
  using namespace mls;
  ::unsetenv("MARLSTONE_RESOURCES");
  classes::registerInProcess();
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (!std::filesystem::is_directory(argv[i])) {
      files.push_back(argv[i]);
      continue;
    }
    for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i])) {
      if (e.path().extension() == ".calls" && e.path().parent_path().filename() == "cases")
        files.push_back(e.path().string());
    }
  }
  std::sort(files.begin(), files.end());
  int passed = 0, failed = 0;
  for (const std::string& f : files) {
    records::FileRun run(passed, failed);
    for (const records::Record& r : records::readRecords(f))
      run.run(r);
  }
  std::cout << passed << " passed, " << failed << " failed\n";
  return failed || files.empty() ? 1 : 0;
}
