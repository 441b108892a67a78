// Cases of a plug-in member switch that several member families share. A family's run function
// names its access test `get`, its converted arguments `args` and its result `out`.
#pragma once

// An engine flag of a table in the shape (member, read, write of `flag`, true only for exactly 1).
#define PLUGIN_FLAG_CASE(name, read, write, exact)               \
    case kOp##name:                                              \
        SetErrorCode(0);                                         \
        if (get) {                                               \
            const LONG stored = static_cast<LONG>(read);         \
            out.b = exact ? stored == 1 : stored != 0;           \
        } else {                                                 \
            const LONG flag = args[0].b ? 1 : 0;                 \
            write;                                               \
        }                                                        \
        return true;
