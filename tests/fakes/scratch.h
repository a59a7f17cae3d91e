// Scratch directories on the real disk for tests, through std::filesystem
// so that the same helpers serve every platform.

#ifndef SWU_TESTS_FAKES_SCRATCH_H_
#define SWU_TESTS_FAKES_SCRATCH_H_

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace swu {

// Creates a new, empty directory "<prefix>-<random>" in the system's
// temporary directory and returns its path followed by the system's
// separator, or "" on failure.
inline std::string MakeScratchDir(const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path temp = fs::temp_directory_path(error);
  if (error) return "";
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path dir = temp / (prefix + "-" + std::to_string(random() % 1000000));
    if (fs::create_directory(dir, error)) {
      return (dir / "").string();
    }
  }
  return "";
}

// Removes |dir| with everything in it, read-only entries included.
inline void RemoveScratchDir(const std::string& dir) {
  namespace fs = std::filesystem;
  if (dir.empty()) return;
  std::error_code error;
  for (fs::recursive_directory_iterator it(dir, error), end;
       !error && it != end; it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add,
                    error);
  }
  fs::remove_all(dir, error);
}

}  // namespace swu

#endif  // SWU_TESTS_FAKES_SCRATCH_H_
