// Counting the work the shell does while a test drives it: pictures
// decoded, heap allocations and file status calls of the main thread, and
// (with FrameWatch) the refreshes of the display.
#pragma once

struct WorkCounts {
    long decodes = 0;        // pictures decoded (IMG_Load)
    long allocations = 0;    // malloc, calloc and realloc calls
    long status_calls = 0;   // stat and lstat calls
};

// Counts the main thread's work from its construction on.
class CountWork {
public:
    CountWork();
    ~CountWork();
    CountWork(const CountWork&) = delete;
    CountWork& operator=(const CountWork&) = delete;

    WorkCounts counts() const;
};
