// Creating tables from their field-list text (TWORZ), the creation trace DOWOD.LOG, and
// APPEND_FROM, which fills a newly created table from an old copy.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "store/net_use.h"

namespace hurt::store {

// The routines named in the DOWOD.LOG trace: the one that asked for the table and the
// one that called it, each as "NAME(line)".
struct TworzCallers {
  std::string caller;
  std::string callers_caller;
};

// "NAME(line)" of a place in the program: the function's name and the line.
std::string CallerName(std::string_view function, int line);

// TWORZ(definition [, flag [, nn]]): creates the table the field-list text describes
// (schema_field_list.h: the path, then name, type, width and decimals of each field).
// The path is normalised (lower case, "/"). An existing table of that name (in lower or
// upper case) is always replaced by an empty one of the new structure: when the current
// work area holds it, the area is closed first; when another station (or another area)
// has it open, nothing is changed and the result is Busy.
//
// The table is created directly from the parsed list. The old runtime needed a scratch
// structure table "strukt" + two digits for that, which is why callers pass a number `nn`
// and a flag: both are accepted and have no effect.
//
// On failure the message "Plik <path>.dbf niedostepny" is shown for a moment (the operator
// learns which table could not be made) and the status says why; the caller returns false.
//
// A table whose path holds "/dowod" but not "rob/dowod" (the document headers of a period,
// of orders, of advance invoices) leaves a trace in "dowod.log": see WriteDowodLog.
Status Tworz(StoreContext& ctx, std::string_view definition, const TworzCallers& callers, bool flag = true, int nn = 0);
// The same, naming the place it is called from as the caller (the compiler fills in the
// calling function and line).
Status Tworz(StoreContext& ctx, std::string_view definition, const char* function = __builtin_FUNCTION(),
             int line = __builtin_LINE());

// Whether creating `path` (normalised) is traced in DOWOD.LOG.
bool TracedInDowodLog(std::string_view path);

// Writes the creation trace: the previous "dowod.log" (found in lower or upper case) is
// renamed to "dowod_.txt"; the new "dowod.log" gets the line
//   dd.mm.yy,hh:mm:ss, plik: <path>, <caller>, <caller's caller>
// and two empty lines (CR LF each), followed by the first 10 non-empty lines of
// "dowod_.txt": the log holds the newest entry and the 10 lines before it.
Status WriteDowodLog(xbase::Env& env, std::string_view path, const TworzCallers& callers);

// APPEND_FROM(file): appends every live record of table `file` (path without extension)
// to the table of the current work area, copying the fields both tables have under the
// same name and type (wider or narrower fields as copy_fields.h says; deleted records are
// not data and are left out). A missing file shows "! Brak pliku <file>.dbf" and gives
// NotFound. The appended records are unlocked and written at the end.
Status AppendFrom(StoreContext& ctx, std::string_view file);

}  // namespace hurt::store
