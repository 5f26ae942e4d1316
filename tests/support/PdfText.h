#pragma once
// A PDF read back as text with poppler's pdftotext, the way a person or an accountant's
// tool reads it, one string per page. A missing pdftotext fails the calling test.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::test {

inline std::vector<std::string> PdfPages(const std::string& path) {
    const std::string command = "pdftotext -layout '" + path + "' - 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    if (pipe) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
            text.append(buffer, got);
    }
    const int status = pipe ? pclose(pipe.release()) : -1;
    EXPECT_EQ(status, 0) << "pdftotext (poppler-utils) failed on " << path << ": " << text;
    // pdftotext ends every page with a form feed.
    std::vector<std::string> pages;
    std::size_t start = 0, end;
    while ((end = text.find('\f', start)) != std::string::npos) {
        pages.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pages;
}

}  // namespace quorvel::test
