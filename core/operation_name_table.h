// OperationNameTable: the ordered names of every script member, from the one member list
// (core/script_members.def). An operation id kOp<Member> (written from the same list by
// tools/gen-member-glue) is an index into it; events name the running operation by it and the
// plug-in's script name table has the same layout.
#pragma once

#include "core/operation_ids_generated.h"
#include "lumetta_win.h"

enum class ScriptMemberKind : int { Separator, ReadOnly, ReadWrite, Method };

static_assert(kOperationCount == 397, "the member list has 397 entries");
static_assert(kOpSeparator1 == 110 && kOpSeparator2 == 246, "the separators split the three groups");

// Member names by operation id; the two separators are empty texts.
extern const char* const OperationNameTable[kOperationCount];
// Member kinds by operation id.
extern const ScriptMemberKind OperationKindTable[kOperationCount];

// The name of an operation id, or "" for an id outside the table.
const char* OperationName(LONG id);
