// The write-back: carries the inserts, changes and deletions made in a
// query result into the origin table and rewrites its file.
//
// Acts only when the plan's first table is an origin file table (never for
// a grouped or DISTINCT result). For each result record in store order:
//   modified  the origin record found by the unique key fields (below)
//             gets the values of every result field qualified with the
//             origin's alias whose name is a field of the origin table;
//   inserted  a new origin record gets those values;
//   deleted   the origin record found is deleted;
//   others    skipped.
// The origin record of a result record is the first live origin record
// whose unique key fields equal the result's fields of the same names,
// taken from the result's values before its edit when it has them. A
// modified or deleted result record without one is skipped. A value whose
// result field has another type than the origin field is carried as text.
//
// The origin file is the truth: when it changed on disk since the query
// read it (another size, modification time, device or inode: another copy
// of the program wrote it, a backup was put back), it is read again and
// the changes are applied to what it holds now, so that nothing written
// there in between is lost. Against such a fresh read an inserted record
// whose unique key fields match a record of the file changes that record
// instead of adding a second one with the same key.
//
// The file is written with the changes before they are accepted. If a
// record is refused or the file cannot be written, every change this call
// made to the origin table is reverted and the result keeps its changes,
// so the error leaves both as they were and a later save applies them
// once, not twice. On success both stores accept their changes: the next
// save applies only edits made after this one.
#pragma once

#include <string_view>

#include "engine/query/QueryPlan.h"

namespace ridov {

// `env` gives the origin alias, the unique key fields, the save options and
// what a fresh read needs (session, format, password). Raises
// DatabaseError with the store's message, the reader's message for a file
// that cannot be read again, or the file-creation error.
void WriteBack(QueryPlan& plan, TRidovCursor& result, const QueryEnvironment& env);

}  // namespace ridov
