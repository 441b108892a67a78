// The PDF document information: handed to the PDF writer, filled by the PDF reader. The nine
// strings are the script's PDFVersion ... PDFProducer properties, in this order.
#pragma once

struct PdfSettings {
    char version[256];
    char title[256];
    char author[256];
    char subject[256];
    char keywords[256];
    char creationDate[256];
    char modifiedDate[256];
    char creator[256];
    char producer[256];
};

static_assert(sizeof(PdfSettings) == 2304, "the settings block is nine strings of 256 bytes");
