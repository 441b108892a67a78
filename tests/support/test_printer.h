// The printer the print tests read back: Wine's PostScript driver with a small A4 600-DPI
// description and a printer whose port is a file, made the default printer of the prefix. Every
// job is read back from the PostScript the driver wrote: its pages, and where and how large each
// image was drawn.
#pragma once

#include <string>
#include <vector>

// One image as the driver drew it: the rectangle and the source size.
struct DrawnImage {
    int left, top, width, height, sourceWidth, sourceHeight;
};

struct PrintedJob {
    int pages = 0;
    std::vector<DrawnImage> images;
};

class TestPrinter {
public:
    // Installs the printer once per process and makes it the default; an empty text when ready,
    // else what failed.
    static std::string Install();
    // Forgets the last job's output.
    static void ClearOutput();
    // The job the printer wrote last.
    static PrintedJob ReadJob();
    // The Windows path of the file the printer writes.
    static const std::string& OutputPath();
    static int PageWidth();
    static int PageHeight();
    static int Dpi();
};
