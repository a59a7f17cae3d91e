// A scoped temporary directory on the real disk for tests, with helpers
// to write and read back whole files.

#ifndef SWU_TESTS_FAKES_TEMP_DIR_H_
#define SWU_TESTS_FAKES_TEMP_DIR_H_

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace swu {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/swu-engine-XXXXXX";
    if (mkdtemp(pattern) != nullptr) root_ = std::string(pattern) + "/";
  }
  ~TempDir() {
    if (root_.empty()) return;
    std::string command = "chmod -R u+rwx '" + root_ + "' && rm -rf '" + root_ + "'";
    if (system(command.c_str()) != 0) return;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path(const std::string& name) const { return root_ + name; }

  void Write(const std::string& name, const std::string& data) const {
    FILE* f = fopen(Path(name).c_str(), "wb");
    if (f == nullptr) return;
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
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

  void Chmod(const std::string& name, int mode) const {
    chmod(Path(name).c_str(), static_cast<mode_t>(mode));
  }

 private:
  std::string root_;
};

}  // namespace swu

#endif  // SWU_TESTS_FAKES_TEMP_DIR_H_
