#include "platform/tsql/errors.h"

#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace mls::tsql {

namespace {

struct Template {
  int severity;
  std::string_view text;
};

const std::unordered_map<int, Template>& templates() {
  static const std::unordered_map<int, Template> t = {
      {102, {15, "Incorrect syntax near '%s'."}},
      {103, {15, "The identifier that starts with '%s' is too long. Maximum length is 128."}},
      {105, {15, "Unclosed quotation mark after the character string '%s'."}},
      {111, {15, "'%s' must be the first statement in a query batch."}},
      {113, {15, "Missing end comment mark '*/'."}},
      {131, {15, "The size (%d) given to the type '%s' exceeds the maximum allowed for any data type (%d)."}},
      {134,
       {15,
        "The variable name '%s' has already been declared. Variable names must be unique within a query "
        "batch or stored procedure."}},
      {137, {15, "Must declare the scalar variable \"%s\"."}},
      {155, {15, "'%s' is not a recognized %s option."}},
      {168, {15, "The floating point value '%s' is out of the range of computer representation (%d bytes)."}},
      {174, {15, "The %s function requires %d argument(s)."}},
      {179, {15, "Cannot use the OUTPUT option when passing a constant to a stored procedure."}},
      {183, {15, "The scale (%d) for column '%s' must be within the range %d to %d."}},
      {189, {15, "The %s function requires %d to %d arguments."}},
      {195, {15, "'%s' is not a recognized built-in function name."}},
      {156, {15, "Incorrect syntax near the keyword '%s'."}},
      {191,
       {15,
        "Some part of your SQL statement is nested too deeply. Rewrite the query or break it up into "
        "smaller queries."}},
      {207, {16, "Invalid column name '%s'."}},
      {206, {16, "Operand type clash: %s is incompatible with %s"}},
      {208, {16, "Invalid object name '%s'."}},
      {7202,
       {11,
        "Could not find server '%s' in sys.servers. Verify that the correct server name was specified. If "
        "necessary, execute the stored procedure sp_addlinkedserver to add the server to sys.servers."}},
      {209, {16, "Ambiguous column name '%s'."}},
      {213, {16, "Column name or number of supplied values does not match table definition."}},
      {220, {16, "Arithmetic overflow error for data type %s, value = %s."}},
      {232, {16, "Arithmetic overflow error for type %s, value = %s."}},
      {235, {16, "Cannot convert a char value to money. The char value has incorrect syntax."}},
      {241, {16, "Conversion failed when converting date and/or time from character string."}},
      {245, {16, "Conversion failed when converting the %s value '%s' to data type %s."}},
      {242, {16, "The conversion of a %s data type to a %s data type resulted in an out-of-range value."}},
      {243, {16, "Type %s is not a defined system type."}},
      {248,
       {16, "The conversion of the %s value '%s' overflowed an %s column. Use a larger integer column."}},
      {257,
       {16,
        "Implicit conversion from data type %s to %s is not allowed. Use the CONVERT function to run this "
        "query."}},
      {281, {16, "%d is not a valid style number when converting from %s to %s."}},
      {321,
       {15,
        "\"%s\" is not a recognized table hints option. If it is intended as a parameter to a table-valued "
        "function or to the CHANGETABLE function, ensure that your database compatibility mode is set to "
        "90."}},
      {1047, {15, "Conflicting locking hints specified."}},
      {1065,
       {15,
        "The NOLOCK and READUNCOMMITTED lock hints are not allowed for target tables of INSERT, UPDATE, "
        "DELETE "
        "or MERGE statements."}},
      {8171, {16, "Hint '%s' on object '%s' is invalid."}},
      {307, {16, "Index ID %d on table '%s' (specified in the FROM clause) does not exist."}},
      {308, {16, "Index '%s' on table '%s' (specified in the FROM clause) does not exist."}},
      {402, {16, "The data types %s and %s are incompatible in the %s operator."}},
      {512,
       {16,
        "Subquery returned more than 1 value. This is not permitted when the subquery follows =, !=, <, <= "
        ", >, >= or when the subquery is used as an expression."}},
      {515,
       {16,
        "Cannot insert the value NULL into column '%s', table '%s'; column does not allow nulls. %s "
        "fails."}},
      {517, {16, "Adding a value to a '%s' column caused an overflow."}},
      {529, {16, "Explicit conversion from data type %s to %s is not allowed."}},
      {535,
       {16,
        "The datediff function resulted in an overflow. The number of dateparts separating two date/time "
        "instances is too large. Try to use datediff with a less precise datepart."}},
      {536, {16, "Invalid length parameter passed to the %s function."}},
      {537, {16, "Invalid length parameter passed to the LEFT or SUBSTRING function."}},
      {1007, {15, "The number '%s' is out of the range for numeric representation (maximum precision 38)."}},
      {1038,
       {15,
        "An object or column name is missing or empty. For SELECT INTO statements, verify each column has a "
        "name. For other statements, look for empty alias names. Aliases defined as \"\" or [] are not "
        "allowed. Change the alias to a valid name."}},
      {1205,
       {13,
        "Transaction (Process ID %d) was deadlocked on lock resources with another process and has been "
        "chosen as the deadlock victim. Rerun the transaction."}},
      {1222, {16, "Lock request time out period exceeded."}},
      {1505,
       {16,
        "The CREATE UNIQUE INDEX statement terminated because a duplicate key was found for the object "
        "name '%s' and the index name '%s'. The duplicate key value is (%s)."}},
      {1913,
       {16,
        "The operation failed because an index or statistics with name '%s' already exists on table "
        "'%s'."}},
      {2627,
       {14,
        "Violation of %s constraint '%s'. Cannot insert duplicate key in object '%s'. The duplicate key "
        "value is (%s)."}},
      {2750,
       {16,
        "Column or parameter #%d: Specified column precision %d is greater than the maximum precision of "
        "38."}},
      {2716, {16, "Column, parameter, or variable #%d: Cannot specify a column width on data type %s."}},
      {2714, {16, "There is already an object named '%s' in the database."}},
      {259, {16, "Ad hoc updates to system catalogs are not allowed."}},
      {544,
       {16,
        "Cannot insert explicit value for identity column in table '%s' when IDENTITY_INSERT is set to "
        "OFF."}},
      {545,
       {16,
        "Explicit value must be specified for identity column in table '%s' either when IDENTITY_INSERT is "
        "set to ON or when a replication user is inserting into a NOT FOR REPLICATION identity column."}},
      {1088, {16, "Cannot find the object \"%s\" because it does not exist or you do not have permissions."}},
      {1779, {16, "Table '%s' already has a primary key defined on it."}},
      {1902,
       {16,
        "Cannot create more than one clustered index on table '%s'. Drop the existing clustered index '%s' "
        "before creating another."}},
      {1911, {16, "Column name '%s' does not exist in the target table or view."}},
      {2601,
       {14,
        "Cannot insert duplicate key row in object '%s' with unique index '%s'. The duplicate key value is "
        "(%s)."}},
      {2705,
       {16,
        "Column names in each table must be unique. Column name '%s' in table '%s' is specified more than "
        "once."}},
      {2744,
       {16,
        "Multiple identity columns specified for table '%s'. Only one identity column per table is "
        "allowed."}},
      {2749,
       {16,
        "Identity column '%s' must be of data type int, bigint, smallint, tinyint, or decimal or numeric "
        "with a scale of 0, and constrained to be nonnullable."}},
      {3723,
       {16,
        "An explicit DROP INDEX is not allowed on index '%s'. It is being used for %s constraint "
        "enforcement."}},
      {3728, {16, "'%s' is not a constraint."}},
      {4701, {16, "Cannot find the object \"%s\" because it does not exist or you do not have permissions."}},
      {4901,
       {16,
        "ALTER TABLE only allows columns to be added that can contain nulls, or have a DEFAULT definition "
        "specified, or the column being added is an identity or timestamp column, or alternatively if none "
        "of the previous conditions are satisfied the table must be empty to allow addition of this column. "
        "Column '%s' cannot be added to non-empty table '%s' because it does not satisfy these conditions."}},
      {4902, {16, "Cannot find the object \"%s\" because it does not exist or you do not have permissions."}},
      {8102, {16, "Cannot update identity column '%s'."}},
      {8110, {16, "Cannot add multiple PRIMARY KEY constraints to table '%s'."}},
      {8111, {16, "Cannot define PRIMARY KEY constraint on nullable column in table '%s'."}},
      {2812, {16, "Could not find stored procedure '%s'."}},
      // procedures, dynamic SQL, cursors, identity
      {119,
       {15,
        "Must pass parameter number %d and subsequent parameters as '@name = value'. After the form "
        "'@name = value' has been used, all subsequent parameters must be passed in the form "
        "'@name = value'."}},
      {201, {16, "Procedure or function '%s' expects parameter '%s', which was not supplied."}},
      {214, {16, "Procedure expects parameter '%s' of type '%s'."}},
      {217, {16, "Maximum stored procedure, function, trigger, or view nesting level exceeded (limit %d)."}},
      {266,
       {16,
        "Transaction count after EXECUTE indicates a mismatching number of BEGIN and COMMIT statements. "
        "Previous count = %d, current count = %d."}},
      {2501, {16, "Cannot find a table or object with the name \"%s\". Check the system catalog."}},
      {2526,
       {16, "Incorrect DBCC statement. Check the documentation for the correct DBCC syntax and options."}},
      {7997, {16, "'%s' does not contain an identity column."}},
      {8107,
       {16, "IDENTITY_INSERT is already ON for table '%s'. Cannot perform SET operation for table '%s'."}},
      {8143, {16, "Parameter '%s' was supplied multiple times."}},
      {8144, {16, "Procedure or function %s has too many arguments specified."}},
      {8145, {16, "%s is not a parameter for procedure %s."}},
      {8162,
       {16,
        "The formal parameter \"%s\" was not declared as an OUTPUT parameter, but the actual parameter "
        "passed in requested output."}},
      {8178, {16, "The parameterized query '%s' expects the parameter '%s', which was not supplied."}},
      {16905, {16, "The cursor is already open."}},
      {16911, {16, "%s: The fetch type %s cannot be used with forward only cursors."}},
      {16915, {16, "A cursor with the name '%s' already exists."}},
      {16916, {16, "A cursor with the name '%s' does not exist."}},
      {16917, {16, "Cursor is not open."}},
      {16924,
       {16,
        "Cursorfetch: The number of variables declared in the INTO list must match that of selected "
        "columns."}},
      {3701, {11, "Cannot drop the %s '%s', because it does not exist or you do not have permission."}},
      // Database files (storage/).
      {824,
       {24,
        "A logical consistency-based I/O error was detected: %s. It occurred during a read of the database "
        "file '%s', which was not loaded."}},
      {3202, {16, "Write on \"%s\" failed: %s. The file keeps its last saved state."}},
      {3408,
       {10,
        "Recovery of database file '%s' is complete: %s are kept in '%s'. This is an informational message "
        "only. No user action is required."}},
      {3906, {16, "Failed to update database \"%s\" because the database is read-only."}},
      {4060, {11, "Cannot open database \"%s\" requested by the login. The login failed."}},
      {5120, {16, "Unable to open the physical file \"%s\". Operating system error %d: \"%s\"."}},
      {5172,
       {16, "The header for file '%s' is not a valid database file header. The %s property is incorrect."}},
      {3623, {16, "An invalid floating point operation occurred."}},
      {4145,
       {15,
        "An expression of non-boolean type specified in a context where a condition is expected, near "
        "'%s'."}},
      {8114, {16, "Error converting data type %s to %s."}},
      {8115, {16, "Arithmetic overflow error converting %s to data type %s."}},
      {8116, {16, "Argument data type %s is invalid for argument %d of %s function."}},
      {8117, {16, "Operand data type %s is invalid for %s operator."}},
      {8133,
       {16,
        "At least one of the result expressions in a CASE specification must be an expression other than "
        "the NULL constant."}},
      {8134, {16, "Divide by zero error encountered."}},
      {8152, {16, "String or binary data would be truncated."}},
      {9810, {16, "The datepart %s is not supported by date function %s for data type %s."}},
      {108,
       {15, "The ORDER BY position number %d is out of range of the number of items in the select list."}},
      {109,
       {15,
        "There are more columns in the INSERT statement than values specified in the VALUES clause. The "
        "number of values in the VALUES clause must match the number of columns specified in the INSERT "
        "statement."}},
      {110,
       {15,
        "There are fewer columns in the INSERT statement than values specified in the VALUES clause. The "
        "number of values in the VALUES clause must match the number of columns specified in the INSERT "
        "statement."}},
      {116,
       {16,
        "Only one expression can be specified in the select list when the subquery is not introduced with "
        "EXISTS."}},
      {120,
       {15,
        "The select list for the INSERT statement contains fewer items than the insert list. The number of "
        "SELECT values must match the number of INSERT columns."}},
      {121,
       {15,
        "The select list for the INSERT statement contains more items than the insert list. The number of "
        "SELECT values must match the number of INSERT columns."}},
      {135, {15, "Cannot use a BREAK statement outside the scope of a WHILE statement."}},
      {136, {15, "Cannot use a CONTINUE statement outside the scope of a WHILE statement."}},
      {141,
       {15,
        "A SELECT statement that assigns a value to a variable must not be combined with data-retrieval "
        "operations."}},
      {145, {15, "ORDER BY items must appear in the select list if SELECT DISTINCT is specified."}},
      {178, {15, "A RETURN statement with a return value cannot be used in this context."}},
      {263, {16, "Must specify table to select from."}},
      {264,
       {16,
        "The column name '%s' is specified more than once in the SET clause or column list of an INSERT. A "
        "column cannot be assigned more than one value in the same clause. Modify the clause to make sure "
        "that a column is updated only once. If this statement updates or inserts columns into a view, "
        "column aliasing can conceal the duplication in your code."}},
      {1031, {15, "Percent values must be between 0 and 100."}},
      {1060,
       {15,
        "The number of rows provided for a TOP or FETCH clauses row count parameter must be an integer."}},
      {1062, {15, "The TOP N WITH TIES clause is not allowed without a corresponding ORDER BY clause."}},
      {3902, {16, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION."}},
      {3952,
       {16,
        "Snapshot isolation transaction failed accessing database '%s' because snapshot isolation is not "
        "allowed in this database. Use ALTER DATABASE to allow snapshot isolation."}},
      {3903, {16, "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION."}},
      {4104, {16, "The multi-part identifier \"%s\" could not be bound."}},
      {8106, {16, "Table '%s' does not have the identity property. Cannot perform SET operation."}},
      {18054,
       {16,
        "Error %d, severity %d, state %d was raised, but no message with that error number was found in "
        "sys.messages. If error is larger than 50000, make sure the user-defined message is added using "
        "sp_addmessage."}},
      // SQL Server's number for a form the server at hand does not have; the
      // text names the form and this engine.
      {40517, {16, "%s is not supported by this engine."}},
      {2741, {16, "SET DATEFORMAT date order '%s' is invalid."}},
      {130,
       {16, "Cannot perform an aggregate function on an expression containing an aggregate or a subquery."}},
      {144,
       {15,
        "Cannot use an aggregate or a subquery in an expression used for the group by list of a GROUP BY "
        "clause."}},
      {147,
       {15,
        "An aggregate may not appear in the WHERE clause unless it is in a subquery contained in a HAVING "
        "clause or a select list, and the column being aggregated is an outer reference."}},
      {205,
       {16,
        "All queries combined using a UNION, INTERSECT or EXCEPT operator must have an equal number of "
        "expressions in their target lists."}},
      {8120,
       {16,
        "Column '%s' is invalid in the select list because it is not contained in either an aggregate "
        "function or the GROUP BY clause."}},
      {1013,
       {16,
        "The objects \"%s\" and \"%s\" in the FROM clause have the same exposed names. Use correlation names "
        "to distinguish them."}},
      {1033,
       {15,
        "The ORDER BY clause is invalid in views, inline functions, derived tables, subqueries, and common "
        "table expressions, unless TOP, OFFSET or FOR XML is also specified."}},
      {447, {16, "Expression type %s is invalid for COLLATE clause."}},
      {4421,
       {16,
        "Derived table '%s' is not updatable because a column of the derived table is derived or constant."}},
      {128,
       {15,
        "The name \"%s\" is not permitted in this context. Valid expressions are constants, constant "
        "expressions, and (in some contexts) variables. Column names are not permitted."}},
      {1046, {15, "Subqueries are not allowed in this context. Only scalar expressions are allowed."}},
      {4405,
       {16, "View or function '%s' is not updatable because the modification affects multiple base tables."}},
      {4403,
       {16,
        "Cannot update the view or function '%s' because it contains aggregates, or a DISTINCT or GROUP BY "
        "clause, or PIVOT or UNPIVOT operator."}},
      {4406,
       {16,
        "Update or insert of view or function '%s' failed because it contains a derived or constant field."}},
      {4436, {16, "UNION ALL view '%s' is not updatable because a partitioning column was not found."}},
      {4427,
       {16,
        "Cannot update the view \"%s\" because it or a view it references was created with WITH CHECK OPTION "
        "and its definition contains a TOP clause."}},
      {550,
       {16,
        "The attempted insert or update failed because the target view either specifies WITH CHECK OPTION or "
        "spans a view that specifies WITH CHECK OPTION and one or more rows resulting from the operation did "
        "not "
        "qualify under the CHECK OPTION constraint."}},
      {4511, {16, "Create View or Function failed because no column name was specified for column %d."}},
      {8154, {16, "The table '%s' is ambiguous."}},
      {8155, {15, "No column name was specified for column %s of '%s'."}},
      {8156, {16, "The column '%s' was specified multiple times for '%s'."}},
      {8158, {16, "'%s' has more columns than were specified in the column list."}},
      {8159, {16, "'%s' has fewer columns than were specified in the column list."}},
      {8161,
       {16,
        "Argument 1 of the GROUPING function does not match any of the expressions in the GROUP BY clause."}},
      {701, {17, "There is insufficient system memory in resource pool 'default' to run this query."}},
      {kInternalError,
       {16,
        "Internal Query Processor Error: The query processor encountered an unexpected error during "
        "execution (%s)."}},
      {4127,
       {16,
        "At least one of the arguments to COALESCE must be an expression that is not the NULL constant."}},
      {8121,
       {16,
        "Column '%s' is invalid in the HAVING clause because it is not contained in either an aggregate "
        "function or the GROUP BY clause."}},
      {8153, {10, "Warning: Null value is eliminated by an aggregate or other SET operation."}},
      // the warnings of an arithmetic error under SET ANSI_WARNINGS OFF and ARITHABORT OFF
      {3606, {10, "Arithmetic overflow occurred."}},
      {3607, {10, "Division by zero occurred."}},
      {3622, {10, "A domain error occurred."}},
      {2786,
       {16,
        "The data type of substitution parameter %d does not match the expected type of the format "
        "specification."}},
  };
  return t;
}

std::string fill(std::string_view text, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd')) {
      if (next < args.size()) out += args[next];
      ++next;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

SqlError::SqlError(int number, int severity, int state, int line, std::string message)
    : std::runtime_error("Msg " + std::to_string(number) + ", Level " + std::to_string(severity) + ": " +
                         message),
      number_(number),
      severity_(severity),
      state_(state),
      line_(line),
      message_(std::move(message)) {}

ErrorClass errorClass(int number) {
  static const std::unordered_set<int> statementOnly = {
      // keys, NULLs, constraints, WITH CHECK OPTION, truncation, arithmetic and subqueries at run time
      2627, 2601, 515, 547, 550, 8152, 8134, 8115, 220, 232, 3623, 512, 517, 535, 536, 537,
      // identity
      544, 545, 8102, 8106, 8107, 7997,
      // transactions and nested levels; a change to a read-only database
      3902, 3903, 266, 3906,
      // a lock wait that ran out
      1222,
      // objects that exist, or do not, when the statement runs
      2714, 3701, 1505, 1913, 1779, 1902, 1911, 2705, 2744, 2749, 3723, 3728, 4701, 4901, 4902, 1088, 8110,
      8111, 2501, 2526, 259,
      // procedures and their arguments
      2812, 201, 214, 8143, 8144, 8145, 8162, 8178, 18054,
      // cursors
      16905, 16911, 16915, 16916, 16917, 16924};
  static const std::unordered_set<int> batch = {241,  242, 245, 248,  235,
                                                8114, 217, 701, 1205, kInternalError};
  if (isRaiserror(number) || statementOnly.contains(number)) return ErrorClass::Statement;
  if (batch.contains(number)) return ErrorClass::Batch;
  return ErrorClass::Scope;
}

int arithmeticWarning(int number) {
  switch (number) {
    case 8134:
      return 3607;
    case 8115:
    case 220:
    case 232:
      return 3606;
    case 3623:
      return 3622;
    default:
      return 0;
  }
}

SqlError sqlError(int number, const std::vector<std::string>& args, int line) {
  auto it = templates().find(number);
  if (it == templates().end())
    return SqlError(number, 16, 1, line, args.empty() ? std::string{} : args.front());
  return SqlError(number, it->second.severity, 1, line, fill(it->second.text, args));
}

SqlError internalError(const std::exception_ptr& thrown, int line) {
  try {
    std::rethrow_exception(thrown);
  } catch (const SqlError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return sqlError(701, {}, line);
  } catch (const std::exception& e) {
    return sqlError(kInternalError, {e.what()}, line);
  } catch (...) {
  }
  return sqlError(kInternalError, {"unknown exception"}, line);
}

void throwSqlError(int number, const std::vector<std::string>& args, int line) {
  throw sqlError(number, args, line);
}

}  // namespace mls::tsql
