// A scoped temporary directory on the real disk for tests, with helpers
// to write and read back whole files.

#ifndef SWU_TESTS_FAKES_TEMP_DIR_H_
#define SWU_TESTS_FAKES_TEMP_DIR_H_

#include <cstdio>
#include <string>

#include "fakes/scratch.h"

namespace swu {

class TempDir {
 public:
  TempDir() : root_(MakeScratchDir("swu-test")) {}
  ~TempDir() { RemoveScratchDir(root_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path(const std::string& name) const { return root_ + name; }

  // Writes |data| to |name| and returns the file's path.
  std::string Write(const std::string& name, const std::string& data) const {
    std::string path = Path(name);
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return path;  // The test's read-back shows the miss.
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
    return path;
  }

  // The file's bytes, or "<missing>".
  std::string Read(const std::string& name) const {
    FILE* f = fopen(Path(name).c_str(), "rb");
    if (f == nullptr) return "<missing>";
    std::string data;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) data.append(chunk, n);
    fclose(f);
    return data;
  }

 private:
  std::string root_;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_TEMP_DIR_H_
