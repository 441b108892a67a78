// WebCamDicMediaType: the names under which the script sees the video media subtypes.
#pragma once

#include "platform/directshow/directshow.h"

class WebCamDicMediaType {
public:
    // Entry 0 is GUID_NULL "unknown"; then the 97 known subtypes.
    WebCamDicMediaType();
    virtual ~WebCamDicMediaType();
    WebCamDicMediaType(const WebCamDicMediaType&) = delete;
    WebCamDicMediaType& operator=(const WebCamDicMediaType&) = delete;

    struct Entry {
        char Name[32];
        GUID Subtype;
    };
    static_assert(sizeof(Entry) == 48);

    // Appends an entry; the name is cut to 31 characters. False when memory runs out.
    bool Add(const char* name, const GUID& subtype);
    int GetSize() const { return m_size; }
    const char* NameAt(int index) const;
    // The name of a subtype; a subtype not in the dictionary is "unknown".
    const char* NameOf(const GUID& subtype) const;

private:
    bool Grow(int needed);
    HGLOBAL m_block = nullptr;
    Entry* m_entries = nullptr;
    int m_size = 0;
    int m_capacity = 0;
};
