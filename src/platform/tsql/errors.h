// SQL Server's error numbers and message texts, in one place.  Every part of the
// engine raises its errors through sqlError() so that the texts stay the
// server's own.  The bottom of the engine: it includes none of the engine's
// headers, so types, parse and catalog raise errors without its public face.
#pragma once

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mls::tsql {

struct BatchResult;

// A numbered message of the server: an error, or an informational message
// (severity 10).
struct SqlMessage {
  int number = 0;
  int severity = 0;
  int state = 1;
  int line = 0;
  std::string text;
};

// The error an unexpected failure inside the engine becomes.
inline constexpr int kInternalError = 8630;

// An error of the engine, with SQL Server's number, severity, state, the line in
// the batch and the message text.
class SqlError : public std::runtime_error {
 public:
  SqlError(int number, int severity, int state, int line, std::string message);
  int number() const { return number_; }
  int severity() const { return severity_; }
  int state() const { return state_; }
  int line() const { return line_; }
  const std::string& message() const { return message_; }
  // The results of the statements that ran (before the failing one, and after
  // it when it ended its statement only), with every error of the batch.
  // (Defined with the engine's results, engine.cpp.)
  const BatchResult& partial() const;
  SqlMessage toMessage() const { return {number_, severity_, state_, line_, message_}; }
  void setPartial(BatchResult r);
  void setLine(int line) { line_ = line; }

 private:
  int number_, severity_, state_, line_;
  std::string message_;
  std::shared_ptr<const BatchResult> partial_;  // null: no results
};

// Builds the error `number` with its SQL Server severity and message text, the
// template's %s / %d placeholders filled in order from `args` (already text).
// An unknown number gives severity 16 and the first argument as the text.
SqlError sqlError(int number, const std::vector<std::string>& args = {}, int line = 0);

[[noreturn]] void throwSqlError(int number, const std::vector<std::string>& args = {}, int line = 0);

// The error an exception other than SqlError becomes at the engine's edge:
// 701 for memory, else kInternalError naming what was thrown.
SqlError internalError(const std::exception_ptr& thrown, int line = 0);

// What an error ends (SQL Server's classes, with SET XACT_ABORT OFF):
//   Statement  the statement only: it is taken back and the batch goes on;
//              most run-time errors (keys, NULLs, truncation, arithmetic,
//              objects that exist or not at run time, RAISERROR).
//   Scope      the running batch or nested level, the transaction stays
//              open: errors found binding a statement (names, types,
//              grouping), which SQL Server finds compiling it.
//   Batch      the whole batch, nested levels included, and the open
//              transaction is rolled back: conversion failures and internal
//              errors.
// Under SET XACT_ABORT ON every error of the Statement and Batch classes ends
// the batch and rolls the transaction back, except RAISERROR's (number 50000
// and above).
enum class ErrorClass { Statement, Scope, Batch };
ErrorClass errorClass(int number);
inline bool isRaiserror(int number) {
  return number >= 50000;
}

// For an arithmetic error (divide by zero, overflow, a domain error), the
// warning that stands for it where SET ANSI_WARNINGS and ARITHABORT are both
// OFF (3607, 3606, 3622); 0 for any other error.
int arithmeticWarning(int number);

}  // namespace mls::tsql
