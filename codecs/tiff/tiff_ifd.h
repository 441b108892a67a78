// One IFD as read: its offset, its entries (at most 100) and the next IFD's offset.
#pragma once

#include <vector>

#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_format.h"

struct CTiff::Ifd {
    uint32_t offset = 0;
    uint32_t next = 0;
    std::vector<tiff_format::TiffEntry> entries;

    const tiff_format::TiffEntry* Find(WORD tag) const {
        for (const tiff_format::TiffEntry& e : entries)
            if (e.tag == tag) return &e;
        return nullptr;
    }
};
