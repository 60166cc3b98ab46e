#pragma once
// A FILE* that closes itself: every file the program opens with the C library
// is held by one of these, so no road out of a function leaves it open.
#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* f) const
    {
        if (f)
            std::fclose(f);
    }
};

using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;
