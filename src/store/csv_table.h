// Tables as CSV (base/csv.h): a header row of field names and one row per record, for the
// copies meant for a spreadsheet (the report viewer's Alt+B into a ".csv" name, hurt-dbf
// dump) and back in through hurt-dbf import.
//
// Values written, by field type:
//   C  the text without trailing blanks     N  trimmed, with the dialect's decimal mark
//   D  dd.mm.yyyy for a spreadsheet (a Polish one takes it for a date), YYYYMMDD for
//      programs; blank when empty           L  T or F (blank when empty)
//   M  the memo's text
// Values read (CsvFieldBytes): C at most the field's width; N a number with a decimal
// point or comma, no more decimals than the field has, fitting its width; D YYYYMMDD,
// YYYY-MM-DD or dd.mm.yyyy; L T/F, Y/N, .T./.F., TRUE/FALSE; M any text without the byte
// 0x1A (which ends a memo); an empty value gives a blank field.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/csv.h"
#include "base/result.h"
#include "xbase/record.h"

namespace hurt::store {

// The header row: the field names, ended by the dialect's line end.
std::string CsvHeaderRow(const xbase::TableSchema& schema, const CsvDialect& dialect);

// What to write in place of a memo that cannot be read (its status given); without one,
// such a memo ends the row with its status.
using CsvMemoFault = std::function<std::string(int field, const Status& status)>;

// Appends one record's row (line end included) in the dialect's encoding.
Status AppendCsvRow(const xbase::Record& rec, const CsvDialect& dialect, std::string* out,
                    const CsvMemoFault& on_bad_memo = {});

// The field of each column of a header row (names in code page 852, a byte-order mark
// already skipped); Invalid naming a column that is no field of the schema, or a field
// given twice.
Result<std::vector<int>> CsvColumns(const std::vector<std::string>& names, const xbase::TableSchema& schema);

// A value read from a CSV (code page 852) as the bytes of field `f` (rules above); memo
// fields give the text itself, for the caller to store. Invalid saying what is wrong with
// the value (which the caller prefixes with the line and field).
Result<std::string> CsvFieldBytes(const xbase::DbfFieldDescriptor& f, std::string_view value);

}  // namespace hurt::store
