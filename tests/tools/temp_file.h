#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace glidestone::testing {

// A file in the temporary directory, removed when the object goes.
class TempFile {
public:
    explicit TempFile(const std::string& contents = "") {
        char name[] = "/tmp/glidestone-test-XXXXXX";
        int const fd = ::mkstemp(name);
        path_ = name;
        std::FILE* file = ::fdopen(fd, "w");
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::string path_;
};

}  // namespace glidestone::testing
