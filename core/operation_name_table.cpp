#include "core/operation_name_table.h"

const char* const OperationNameTable[kOperationCount] = {
#define LUMETTA_MEMBER(name, kind) #name,
#define LUMETTA_MEMBER_SEPARATOR(n) "",
#include "core/script_members.def"
#undef LUMETTA_MEMBER
#undef LUMETTA_MEMBER_SEPARATOR
};

const ScriptMemberKind OperationKindTable[kOperationCount] = {
#define LUMETTA_MEMBER(name, kind) ScriptMemberKind::kind,
#define LUMETTA_MEMBER_SEPARATOR(n) ScriptMemberKind::Separator,
#include "core/script_members.def"
#undef LUMETTA_MEMBER
#undef LUMETTA_MEMBER_SEPARATOR
};

const char* OperationName(LONG id) {
    return id >= 0 && id < kOperationCount ? OperationNameTable[id] : "";
}
