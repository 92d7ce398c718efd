// The syntax tree of a T-SQL batch, as the parser builds it and the binder reads
// it.  The tree knows nothing of value types: literals keep their text and kind,
// type names keep their name and arguments; the binder gives them meaning.
//
// Conventions
// - Every node carries the position (line, column; both 1-based) of its first
//   token, for error messages.
// - Names (tables, columns, aliases, variables, cursors, procedures, functions)
//   keep their spelling without brackets or quotes; the engine compares them
//   without regard to case.  Variables keep their '@' ("@total"), temporary
//   tables their '#' ("#work").
// - Words the parser interprets (type names, @@functions, SET options, cursor
//   options, DBCC commands, hints) are upper-cased.
// - Expressions and statements are class hierarchies with a `kind` tag: switch
//   on the kind and downcast with as<T>().
// - An absent optional expression is a null ExprPtr.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mls::tsql::ast {

struct Pos {
  int line = 1;
  int column = 1;
};

// A name of one to four parts, server.database.schema.object.  An omitted
// middle part is an empty string: "tempdb..#t" is {"tempdb", "", "#t"}.
struct ObjectName {
  std::vector<std::string> parts;
  Pos pos;

  const std::string& name() const { return parts.back(); }  // the last part
  // The part `fromEnd` places before the last ("" when absent): 1 is the
  // schema, 2 the database.
  std::string qualifier(size_t fromEnd) const {
    return parts.size() > fromEnd ? parts[parts.size() - 1 - fromEnd] : std::string();
  }
  bool isTemp() const { return !parts.empty() && !parts.back().empty() && parts.back()[0] == '#'; }
  std::string text() const;  // the parts joined with '.' ("tempdb..#t")
};

// A data type as written: DECIMAL(28,10) is {"DECIMAL", {28, 10}}, VARCHAR(MAX) is
// {"VARCHAR", {}, max=true}, INT is {"INT", {}}.  Multi-word names are joined by one
// space ("DOUBLE PRECISION").
struct TypeName {
  std::string name;           // upper-cased
  std::vector<int64_t> args;  // length, or precision and scale
  bool max = false;           // (MAX)
  Pos pos;
};

// ---------------------------------------------------------------- expressions

enum class ExprKind {
  Literal,         // Literal
  Variable,        // Variable: @name
  GlobalVariable,  // GlobalVariable: @@ROWCOUNT and the like
  Parameter,       // Parameter: a ? marker
  ColumnRef,       // ColumnRef: col, t.col, dbo.t.col
  Star,            // Star: * or t.*
  Default,         // DefaultExpr: the DEFAULT keyword in VALUES / SET / EXEC arguments
  Unary,           // UnaryExpr
  Binary,          // BinaryExpr: arithmetic, bitwise, comparison, AND, OR
  IsNull,          // IsNullExpr: x IS [NOT] NULL
  Like,            // LikeExpr
  Between,         // BetweenExpr
  InList,          // InListExpr: x [NOT] IN (a, b, ...)
  InSubquery,      // InSubqueryExpr: x [NOT] IN (SELECT ...)
  Exists,          // ExistsExpr: EXISTS (SELECT ...); NOT EXISTS is a Not over it
  Quantified,      // QuantifiedExpr: x op ANY | SOME | ALL (SELECT ...)
  Subquery,        // SubqueryExpr: (SELECT ...) used as a value
  Case,            // CaseExpr
  Cast,            // CastExpr: CAST(x AS type)
  Convert,         // ConvertExpr: CONVERT(type, x [, style])
  Function,        // FunctionCall: any other name(args)
  Collate,         // CollateExpr: x COLLATE name
};

// The base of the tree's node families: a kind tag to switch on, the position
// for messages, and the downcast to the node type the kind names.
template <class Kind>
struct Node {
  Kind kind;
  Pos pos;

  Node(Kind k, Pos p) : kind(k), pos(p) {}
  virtual ~Node() = default;
  // The node as the type its kind names; a wrong T aborts in builds with
  // assertions (debug and sanitizer builds).
  template <class T>
  T& as() {
    assert(dynamic_cast<T*>(this) != nullptr && "AST node downcast to a type its kind does not name");
    return static_cast<T&>(*this);
  }
  template <class T>
  const T& as() const {
    assert(dynamic_cast<const T*>(this) != nullptr && "AST node downcast to a type its kind does not name");
    return static_cast<const T&>(*this);
  }
};

struct Expr : Node<ExprKind> {
  explicit Expr(ExprKind k, Pos p = {}) : Node(k, p) {}
};
using ExprPtr = std::unique_ptr<Expr>;

struct Query;
using QueryPtr = std::unique_ptr<Query>;

enum class LiteralKind {
  Null,     // NULL
  Integer,  // 42: digits only (the binder types it int, bigint or decimal by size)
  Decimal,  // 12.345: see decimalPrecision() / decimalScale()
  Float,    // 1.5E-3: has an exponent
  String,   // 'text': text is the value, '' already undone, UTF-8
  NString,  // N'text': as String
  Money,    // $12.5: text is the number without the '$'
};

struct Literal : Expr {
  LiteralKind literal;
  std::string text;  // numbers as written (no sign); strings as their value

  Literal(LiteralKind k, std::string t, Pos p) : Expr(ExprKind::Literal, p), literal(k), text(std::move(t)) {}
  // For a Decimal literal: the precision and scale of the smallest decimal(p,s)
  // that holds it exactly (12.345 is (5,3), 0.5 is (1,1), 12. is (2,0)).
  int decimalPrecision() const;
  int decimalScale() const;
};

struct Variable : Expr {
  std::string name;  // "@name"
  Variable(std::string n, Pos p) : Expr(ExprKind::Variable, p), name(std::move(n)) {}
};

struct GlobalVariable : Expr {
  std::string name;  // "@@ROWCOUNT": upper-cased
  GlobalVariable(std::string n, Pos p) : Expr(ExprKind::GlobalVariable, p), name(std::move(n)) {}
};

struct Parameter : Expr {
  int index;  // 1-based, in order of appearance in the batch
  Parameter(int i, Pos p) : Expr(ExprKind::Parameter, p), index(i) {}
};

struct ColumnRef : Expr {
  // The column name last, its qualifiers before: t.col is {"t", "col"}.  A
  // bare word also lands here where a value is expected (EXEC p abc, DBCC
  // CHECKIDENT (t, RESEED)); statements that take such words say so.
  std::vector<std::string> parts;
  ColumnRef(std::vector<std::string> ps, Pos p) : Expr(ExprKind::ColumnRef, p), parts(std::move(ps)) {}
  const std::string& column() const { return parts.back(); }
};

struct Star : Expr {
  std::vector<std::string> qualifier;  // empty for *, {"t"} for t.*
  Star(std::vector<std::string> q, Pos p) : Expr(ExprKind::Star, p), qualifier(std::move(q)) {}
};

struct DefaultExpr : Expr {
  explicit DefaultExpr(Pos p) : Expr(ExprKind::Default, p) {}
};

enum class UnaryOp { Minus, Plus, BitNot, Not };

struct UnaryExpr : Expr {
  UnaryOp op;
  ExprPtr operand;
  UnaryExpr(UnaryOp o, ExprPtr e, Pos p) : Expr(ExprKind::Unary, p), op(o), operand(std::move(e)) {}
};

enum class BinaryOp {
  Add,
  Sub,
  Mul,
  Div,
  Mod,  // + is also string concatenation
  BitAnd,
  BitOr,
  BitXor,
  Eq,
  Ne,
  Lt,
  Gt,
  Le,
  Ge,           // <> and != are Ne; !< is Ge; !> is Le
  Distinct,     // IS DISTINCT FROM: <> with NULL equal to NULL, never UNKNOWN
  NotDistinct,  // IS NOT DISTINCT FROM
  And,
  Or,
};

struct BinaryExpr : Expr {
  BinaryOp op;
  ExprPtr left, right;
  BinaryExpr(BinaryOp o, ExprPtr l, ExprPtr r, Pos p)
      : Expr(ExprKind::Binary, p), op(o), left(std::move(l)), right(std::move(r)) {}
};

struct IsNullExpr : Expr {
  ExprPtr operand;
  bool negated = false;  // IS NOT NULL
  IsNullExpr(ExprPtr e, bool neg, Pos p) : Expr(ExprKind::IsNull, p), operand(std::move(e)), negated(neg) {}
};

struct LikeExpr : Expr {
  ExprPtr operand, pattern, escape;  // escape may be null
  bool negated = false;
  explicit LikeExpr(Pos p) : Expr(ExprKind::Like, p) {}
};

struct BetweenExpr : Expr {
  ExprPtr operand, low, high;
  bool negated = false;
  explicit BetweenExpr(Pos p) : Expr(ExprKind::Between, p) {}
};

struct InListExpr : Expr {
  ExprPtr operand;
  std::vector<ExprPtr> list;  // at least one
  bool negated = false;
  explicit InListExpr(Pos p) : Expr(ExprKind::InList, p) {}
};

struct InSubqueryExpr : Expr {
  ExprPtr operand;
  QueryPtr query;
  bool negated = false;
  explicit InSubqueryExpr(Pos p) : Expr(ExprKind::InSubquery, p) {}
};

struct ExistsExpr : Expr {
  QueryPtr query;
  explicit ExistsExpr(Pos p) : Expr(ExprKind::Exists, p) {}
};

// x op ANY (SELECT ...) (SOME is ANY) or x op ALL (SELECT ...), op one of the
// comparisons.
struct QuantifiedExpr : Expr {
  BinaryOp op = BinaryOp::Eq;
  bool all = false;  // ALL; else ANY / SOME
  ExprPtr operand;
  QueryPtr query;
  explicit QuantifiedExpr(Pos p) : Expr(ExprKind::Quantified, p) {}
};

struct SubqueryExpr : Expr {
  QueryPtr query;
  explicit SubqueryExpr(Pos p) : Expr(ExprKind::Subquery, p) {}
};

// CASE [operand] WHEN w THEN t ... [ELSE e] END.  With an operand (simple CASE)
// each `when` is a value compared to it; without (searched CASE), a condition.
struct CaseExpr : Expr {
  struct When {
    ExprPtr when, then;
  };
  ExprPtr operand;  // null for a searched CASE
  std::vector<When> whens;
  ExprPtr elseValue;  // null when absent
  explicit CaseExpr(Pos p) : Expr(ExprKind::Case, p) {}
};

struct CastExpr : Expr {
  ExprPtr operand;
  TypeName type;
  explicit CastExpr(Pos p) : Expr(ExprKind::Cast, p) {}
};

struct ConvertExpr : Expr {
  TypeName type;
  ExprPtr operand;
  ExprPtr style;  // null when absent
  explicit ConvertExpr(Pos p) : Expr(ExprKind::Convert, p) {}
};

// name(args).  COUNT(*) has star set and no args; COUNT(DISTINCT x) has
// distinct set.  Reserved words used as functions (LEFT, RIGHT, COALESCE,
// NULLIF, IDENTITY) arrive here too, spelled as written.
struct FunctionCall : Expr {
  ObjectName name;  // usually one part; dbo.fn has two
  std::vector<ExprPtr> args;
  bool star = false;      // f(*)
  bool distinct = false;  // f(DISTINCT x)
  explicit FunctionCall(Pos p) : Expr(ExprKind::Function, p) {}
};

// x COLLATE name: only the collations that compare as the database's own
// reach the tree (the parser refuses the others).
struct CollateExpr : Expr {
  ExprPtr operand;
  std::string collation;  // as written
  explicit CollateExpr(Pos p) : Expr(ExprKind::Collate, p) {}
};

// Is the expression a condition (comparison, AND/OR/NOT, IS NULL, LIKE, BETWEEN,
// IN, EXISTS) rather than a value?
bool isPredicate(const Expr& e);

// -------------------------------------------------------------------- queries

struct TopClause {
  ExprPtr count;  // TOP n or TOP (expr)
  bool percent = false;
  bool withTies = false;
};

// One item of a select list: `expr [[AS] alias]`, `alias = expr`, `@v = expr`,
// `*` or `t.*` (a Star expression).
struct SelectItem {
  Pos pos;
  ExprPtr expr;
  std::string alias;     // "" when none
  std::string variable;  // "@v" for an assignment @v = expr, else ""
};

enum class TableRefKind { Named, Derived, Join };

struct TableRef : Node<TableRefKind> {
  TableRef(TableRefKind k, Pos p) : Node(k, p) {}
};
using TableRefPtr = std::unique_ptr<TableRef>;

// A table or view by name: `dbo.t [AS] a [WITH (NOLOCK)]`.
struct NamedTable : TableRef {
  ObjectName name;
  std::string alias;               // "" when none
  std::vector<std::string> hints;  // upper-cased, e.g. {"NOLOCK"}, checked by the parser: locking hints are
                                   // honoured, the others change no result
  explicit NamedTable(Pos p) : TableRef(TableRefKind::Named, p) {}
};

// (SELECT ...) [AS] a [(c1, c2)]
struct DerivedTable : TableRef {
  QueryPtr query;
  std::string alias;
  std::vector<std::string> columnAliases;  // empty when none
  explicit DerivedTable(Pos p) : TableRef(TableRefKind::Derived, p) {}
};

enum class JoinType { Inner, Left, Right, Full, Cross };

// left JOIN right ON condition.  Joins nest to the left as written:
// a JOIN b ON .. JOIN c ON .. is Join(Join(a, b), c); parentheses and the
// `a JOIN b JOIN c ON .. ON ..` form nest to the right.
struct JoinRef : TableRef {
  JoinType type;
  TableRefPtr left, right;
  ExprPtr on;  // null for CROSS JOIN
  JoinRef(JoinType t, Pos p) : TableRef(TableRefKind::Join, p), type(t) {}
};

struct OrderItem {
  ExprPtr expr;  // an expression, an alias (ColumnRef) or an ordinal (Integer literal)
  bool descending = false;
};

// SELECT [ALL|DISTINCT] [TOP ...] items [INTO t] [FROM ...] [WHERE ...]
// [GROUP BY ... [WITH ROLLUP]] [HAVING ...]
struct SelectBlock {
  Pos pos;
  bool distinct = false;
  std::optional<TopClause> top;
  std::vector<SelectItem> items;
  std::optional<ObjectName> into;
  std::vector<TableRefPtr> from;  // comma-separated sources (a cross product); empty without FROM
  ExprPtr where;
  std::vector<ExprPtr> groupBy;
  bool withRollup = false;
  ExprPtr having;
};

// The former name of SelectBlock, kept until the binder has moved to the new one.
using SelectSpec = SelectBlock;

// A query expression: a single SELECT, or a set operation (UNION [ALL],
// EXCEPT, INTERSECT) of two queries, plus the ORDER BY that applies to the
// whole.  `A UNION B UNION ALL C ORDER BY x` is Union(Union(A, B), C) with
// unionAll on the outer node and orderBy on the outer node only.  INTERSECT
// binds tighter than UNION and EXCEPT: A UNION B INTERSECT C is
// Union(A, Intersect(B, C)).  A parenthesised query is a Query of its own (it
// may hold its own ORDER BY, with TOP).
struct Query {
  enum class Kind { Select, Union, Except, Intersect };
  Kind kind = Kind::Select;
  Pos pos;
  std::unique_ptr<SelectBlock> select;  // Kind::Select
  QueryPtr left, right;                 // the set operations
  bool unionAll = false;                // Kind::Union: UNION ALL
  std::vector<OrderItem> orderBy;       // empty when none

  // The first SELECT of the chain (its select list names the columns; its INTO
  // receives the rows).
  const SelectBlock& firstSelect() const { return kind == Kind::Select ? *select : left->firstSelect(); }
};

// ----------------------------------------------------------------- statements

enum class StmtKind {
  Select,             // SelectStmt
  Insert,             // InsertStmt
  Update,             // UpdateStmt
  Delete,             // DeleteStmt
  Truncate,           // TruncateStmt
  CreateTable,        // CreateTableStmt
  DropTable,          // DropTableStmt
  AlterTable,         // AlterTableStmt
  CreateIndex,        // CreateIndexStmt
  DropIndex,          // DropIndexStmt
  CreateView,         // CreateViewStmt
  DropView,           // DropViewStmt
  CreateProcedure,    // CreateProcedureStmt (also ALTER PROCEDURE)
  DropProcedure,      // DropProcedureStmt
  Declare,            // DeclareStmt
  DeclareCursor,      // DeclareCursorStmt
  Open,               // CursorStmt
  Fetch,              // FetchStmt
  Close,              // CursorStmt
  Deallocate,         // CursorStmt
  SetVariable,        // SetVariableStmt
  SetOption,          // SetOptionStmt
  SetIdentityInsert,  // SetIdentityInsertStmt
  SetIsolation,       // SetIsolationStmt
  If,                 // IfStmt
  Block,              // BlockStmt
  While,              // WhileStmt
  Break,              // Stmt
  Continue,           // Stmt
  Return,             // ReturnStmt
  Print,              // PrintStmt
  Raiserror,          // RaiserrorStmt
  Exec,               // ExecStmt
  ExecString,         // ExecStringStmt
  BeginTran,          // TranStmt
  Commit,             // TranStmt
  Rollback,           // TranStmt
  Dbcc,               // DbccStmt
  Checkpoint,         // Stmt
};

struct Stmt : Node<StmtKind> {
  explicit Stmt(StmtKind k, Pos p = {}) : Node(k, p) {}
};
using StmtPtr = std::unique_ptr<Stmt>;

struct SelectStmt : Stmt {
  QueryPtr query;
  explicit SelectStmt(Pos p) : Stmt(StmtKind::Select, p) {}
};

// INSERT [INTO] t [(cols)] VALUES (..), (..) | query | DEFAULT VALUES
struct InsertStmt : Stmt {
  enum class Source { Values, Query, DefaultValues };
  ObjectName table;
  std::vector<std::string> columns;  // empty: all columns in order
  Source source = Source::Values;
  std::vector<std::vector<ExprPtr>> rows;  // Source::Values
  QueryPtr query;                          // Source::Query
  std::vector<std::string> tableHints;     // WITH (...) on the target, upper-cased
  explicit InsertStmt(Pos p) : Stmt(StmtKind::Insert, p) {}
};

// One item of UPDATE's SET list: `col = v`, `@v = v` or `@v = col = v`.
struct SetItem {
  Pos pos;
  std::string variable;             // "@v", or "" when the item sets a column only
  std::vector<std::string> column;  // {"col"} or {"t", "col"}; empty when the item sets a variable only
  ExprPtr value;                    // may be a DefaultExpr for `col = DEFAULT`
};

// UPDATE target SET items [FROM sources] [WHERE cond].  The target is a table
// name, or an alias (one part) declared in FROM.
struct UpdateStmt : Stmt {
  ObjectName target;
  std::vector<std::string> targetHints;
  std::vector<SetItem> items;
  std::vector<TableRefPtr> from;  // empty without FROM
  ExprPtr where;
  explicit UpdateStmt(Pos p) : Stmt(StmtKind::Update, p) {}
};

// DELETE [FROM] target [FROM sources] [WHERE cond]
struct DeleteStmt : Stmt {
  ObjectName target;
  std::vector<std::string> targetHints;
  std::vector<TableRefPtr> from;  // the second FROM; empty without it
  ExprPtr where;
  explicit DeleteStmt(Pos p) : Stmt(StmtKind::Delete, p) {}
};

struct TruncateStmt : Stmt {
  ObjectName table;
  explicit TruncateStmt(Pos p) : Stmt(StmtKind::Truncate, p) {}
};

// ------------------------------------------------------------------------ DDL

struct IndexColumn {
  std::string name;
  bool descending = false;
};

// PRIMARY KEY or UNIQUE, on a column or over a list of columns.
struct KeyConstraint {
  Pos pos;
  std::string name;                  // CONSTRAINT name; "" when unnamed
  bool primaryKey = false;           // else UNIQUE
  std::optional<bool> clustered;     // CLUSTERED / NONCLUSTERED; absent when not said
  std::vector<IndexColumn> columns;  // for a column constraint: that column
};

struct Identity {
  int64_t seed = 1;
  int64_t increment = 1;
};

struct ColumnDef {
  Pos pos;
  std::string name;
  TypeName type;
  std::optional<bool> nullable;  // NULL / NOT NULL; absent when not said
  // DEFAULT expr; null when absent.  Shared: the table's column keeps it
  // after the batch that created the table is gone.
  std::shared_ptr<const Expr> defaultValue;
  std::string defaultName;  // CONSTRAINT name DEFAULT ...; "" when unnamed
  std::optional<Identity> identity;
};

// CREATE TABLE t (columns and constraints) [ON filegroup]
struct CreateTableStmt : Stmt {
  ObjectName table;
  std::vector<ColumnDef> columns;
  // Table constraints and the column constraints (PRIMARY KEY / UNIQUE written
  // on a column), in order of appearance.
  std::vector<KeyConstraint> constraints;
  explicit CreateTableStmt(Pos p) : Stmt(StmtKind::CreateTable, p) {}
};

struct DropTableStmt : Stmt {
  std::vector<ObjectName> tables;
  explicit DropTableStmt(Pos p) : Stmt(StmtKind::DropTable, p) {}
};

// ALTER TABLE t [WITH CHECK|NOCHECK] ADD ... | DROP CONSTRAINT n | DROP COLUMN c |
// ALTER COLUMN c type [NULL|NOT NULL]
struct AlterTableStmt : Stmt {
  enum class Action { Add, DropConstraint, DropColumn, AlterColumn };
  ObjectName table;
  Action action = Action::Add;
  bool noCheck = false;                    // WITH NOCHECK
  std::vector<ColumnDef> columns;          // Add: new columns; AlterColumn: the one column
  std::vector<KeyConstraint> constraints;  // Add: new constraints
  std::vector<std::string> names;          // DropConstraint / DropColumn
  explicit AlterTableStmt(Pos p) : Stmt(StmtKind::AlterTable, p) {}
};

// CREATE [UNIQUE] [CLUSTERED|NONCLUSTERED] INDEX n ON t (cols) [WITH ...] [ON fg]
struct CreateIndexStmt : Stmt {
  std::string name;
  ObjectName table;
  bool unique = false;
  bool clustered = false;
  std::vector<IndexColumn> columns;
  explicit CreateIndexStmt(Pos p) : Stmt(StmtKind::CreateIndex, p) {}
};

// DROP INDEX t.n [, ...] or DROP INDEX n ON t [, ...]
struct DropIndexStmt : Stmt {
  struct Target {
    ObjectName table;
    std::string index;
  };
  std::vector<Target> targets;
  explicit DropIndexStmt(Pos p) : Stmt(StmtKind::DropIndex, p) {}
};

// CREATE VIEW v [(cols)] AS query
struct CreateViewStmt : Stmt {
  ObjectName view;
  std::vector<std::string> columns;    // empty: the query's column names
  std::shared_ptr<const Query> query;  // shared: the view keeps it beyond the batch
  std::string definition;              // the statement's text, CREATE to the query's end
  bool checkOption = false;            // WITH CHECK OPTION
  explicit CreateViewStmt(Pos p) : Stmt(StmtKind::CreateView, p) {}
};

struct DropViewStmt : Stmt {
  std::vector<ObjectName> views;
  explicit DropViewStmt(Pos p) : Stmt(StmtKind::DropView, p) {}
};

// A parameter of a procedure: @name [AS] type [= default] [OUTPUT].
struct ProcedureParam {
  Pos pos;
  std::string name;  // "@name"
  TypeName type;
  ExprPtr defaultValue;  // a constant or NULL; null when absent
  bool output = false;
};

// What a procedure keeps beyond the batch that created it: its parameters and
// its body, the statements from AS to the end of the batch.
struct Procedure {
  std::vector<ProcedureParam> params;
  std::vector<StmtPtr> body;
  // The body's object names of three or four parts (a database or a server
  // named), in the order of the text.
  std::vector<ObjectName> qualifiedNames;
};

// CREATE PROC[EDURE] name [(] params [)] AS body, or ALTER PROC[EDURE]: the
// first statement of its batch, its body the rest of the batch.
struct CreateProcedureStmt : Stmt {
  ObjectName procedure;
  bool alter = false;
  std::shared_ptr<const Procedure> code;  // shared: the procedure keeps it beyond the batch
  // The batch's text from its start to its end as CREATE PROCEDURE (ALTER
  // written as CREATE), so that it makes the procedure again.
  std::string definition;
  explicit CreateProcedureStmt(Pos p) : Stmt(StmtKind::CreateProcedure, p) {}
};

struct DropProcedureStmt : Stmt {
  std::vector<ObjectName> procedures;
  explicit DropProcedureStmt(Pos p) : Stmt(StmtKind::DropProcedure, p) {}
};

// ----------------------------------------------------------------- procedural

struct VarDecl {
  Pos pos;
  std::string name;  // "@name"
  TypeName type;
  ExprPtr init;  // = expr; null when absent
};

struct DeclareStmt : Stmt {
  std::vector<VarDecl> vars;
  explicit DeclareStmt(Pos p) : Stmt(StmtKind::Declare, p) {}
};

// DECLARE c CURSOR [options] FOR query
struct DeclareCursorStmt : Stmt {
  std::string name;
  std::vector<std::string> options;    // upper-cased as written: LOCAL, GLOBAL, FORWARD_ONLY, SCROLL, STATIC,
                                       // KEYSET, DYNAMIC, FAST_FORWARD, READ_ONLY, ...
  std::shared_ptr<const Query> query;  // shared: the cursor keeps it beyond the batch
  explicit DeclareCursorStmt(Pos p) : Stmt(StmtKind::DeclareCursor, p) {}
  bool hasOption(const std::string& upper) const;
};

// OPEN / CLOSE / DEALLOCATE [GLOBAL] c
struct CursorStmt : Stmt {
  std::string name;
  bool global = false;
  CursorStmt(StmtKind k, Pos p) : Stmt(k, p) {}
};

// FETCH [NEXT|PRIOR|FIRST|LAST|ABSOLUTE n|RELATIVE n] [FROM] [GLOBAL] c [INTO @a, ...]
struct FetchStmt : Stmt {
  enum class Direction { Next, Prior, First, Last, Absolute, Relative };
  Direction direction = Direction::Next;
  ExprPtr offset;  // ABSOLUTE / RELATIVE n
  std::string cursor;
  bool global = false;
  std::vector<std::string> into;  // "@a", ...; empty without INTO
  explicit FetchStmt(Pos p) : Stmt(StmtKind::Fetch, p) {}
};

struct SetVariableStmt : Stmt {
  std::string name;  // "@v"
  ExprPtr value;
  explicit SetVariableStmt(Pos p) : Stmt(StmtKind::SetVariable, p) {}
};

// SET option[, option...] value: SET NOCOUNT ON, SET ANSI_NULLS, QUOTED_IDENTIFIER
// ON, SET DATEFORMAT ymd, SET ROWCOUNT @n.  The parser checks every option
// against its rule (set_options.h): what reaches the session is an option it
// honours, or one at the value the engine always runs under.
struct SetOptionStmt : Stmt {
  std::vector<std::string> options;  // upper-cased; "STATISTICS IO" for two-word options
  // ON / OFF and bare words upper-cased; numbers as written (with a leading
  // '-' when negative); strings as their value; variables as "@name".
  std::string value;
  explicit SetOptionStmt(Pos p) : Stmt(StmtKind::SetOption, p) {}
  bool on() const { return value == "ON"; }
};

struct SetIdentityInsertStmt : Stmt {
  ObjectName table;
  bool on = false;
  explicit SetIdentityInsertStmt(Pos p) : Stmt(StmtKind::SetIdentityInsert, p) {}
};

// SET TRANSACTION ISOLATION LEVEL ...
enum class IsolationLevel { ReadUncommitted, ReadCommitted, RepeatableRead, Snapshot, Serializable };
struct SetIsolationStmt : Stmt {
  IsolationLevel level = IsolationLevel::ReadCommitted;
  explicit SetIsolationStmt(Pos p) : Stmt(StmtKind::SetIsolation, p) {}
};

struct IfStmt : Stmt {
  ExprPtr condition;
  StmtPtr then;
  StmtPtr otherwise;  // ELSE; null when absent
  explicit IfStmt(Pos p) : Stmt(StmtKind::If, p) {}
};

// BEGIN statements END (at least one statement)
struct BlockStmt : Stmt {
  std::vector<StmtPtr> body;
  explicit BlockStmt(Pos p) : Stmt(StmtKind::Block, p) {}
};

struct WhileStmt : Stmt {
  ExprPtr condition;
  StmtPtr body;
  explicit WhileStmt(Pos p) : Stmt(StmtKind::While, p) {}
};

struct ReturnStmt : Stmt {
  ExprPtr value;  // null for a bare RETURN
  explicit ReturnStmt(Pos p) : Stmt(StmtKind::Return, p) {}
};

struct PrintStmt : Stmt {
  ExprPtr value;
  explicit PrintStmt(Pos p) : Stmt(StmtKind::Print, p) {}
};

// RAISERROR (message, severity, state [, args]) [WITH option, ...]
struct RaiserrorStmt : Stmt {
  ExprPtr message;  // a string, a message number or a variable
  ExprPtr severity, state;
  std::vector<ExprPtr> args;
  std::vector<std::string> options;  // upper-cased: NOWAIT, LOG, SETERROR
  explicit RaiserrorStmt(Pos p) : Stmt(StmtKind::Raiserror, p) {}
};

// An argument of EXEC: `value`, `@p = value`, `@v OUTPUT`, `@p = @v OUTPUT`,
// `DEFAULT`.  A bare word (EXEC p abc) arrives as a one-part ColumnRef and means
// the string 'abc'.
struct ExecArg {
  Pos pos;
  std::string name;  // "@p" when named, else ""
  ExprPtr value;
  bool output = false;  // OUTPUT / OUT
};

// EXEC[UTE] [@rc =] procedure args, or EXEC[UTE] [@rc =] @name args (the
// procedure's name in a variable)
struct ExecStmt : Stmt {
  std::string returnVariable;  // "@rc" for EXEC @rc = p; "" when absent
  ObjectName procedure;        // empty for EXEC @name
  ExprPtr procedureVariable;   // the Variable of EXEC @name, or null
  std::vector<ExecArg> args;
  explicit ExecStmt(Pos p) : Stmt(StmtKind::Exec, p) {}
};

// EXEC[UTE] (string expression): the text is run as a batch of its own.
struct ExecStringStmt : Stmt {
  ExprPtr text;
  explicit ExecStringStmt(Pos p) : Stmt(StmtKind::ExecString, p) {}
};

// BEGIN TRAN[SACTION] [name], COMMIT [TRAN[SACTION] [name] | WORK],
// ROLLBACK [TRAN[SACTION] [name] | WORK]
struct TranStmt : Stmt {
  std::string name;  // transaction name or "@var"; "" when absent
  TranStmt(StmtKind k, Pos p) : Stmt(k, p) {}
};

// DBCC command [(args)] [WITH options].  For DBCC CHECKIDENT (t, RESEED, n) the
// args are the table (a ColumnRef of its name parts, or a string), the word
// RESEED / NORESEED (a ColumnRef) and the new value.
struct DbccStmt : Stmt {
  std::string command;  // upper-cased: "CHECKIDENT"
  std::vector<ExprPtr> args;
  std::vector<std::string> options;  // WITH ...: upper-cased
  explicit DbccStmt(Pos p) : Stmt(StmtKind::Dbcc, p) {}
};

// A parameter declared in sp_executesql's second argument: N'@p int, @q
// varchar(10) OUTPUT'.
struct ParamDecl {
  Pos pos;
  std::string name;  // "@p"
  TypeName type;
  bool output = false;
};

}  // namespace mls::tsql::ast
