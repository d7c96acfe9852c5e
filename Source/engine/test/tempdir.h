// A fresh working directory for tests that touch "kerv.log" or "kerv.rc".
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline std::string MakeTempDir() {
  char tmpl[] = "/tmp/kerv_test_XXXXXX";
  const char* dir = mkdtemp(tmpl);
  return dir ? dir : "";
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Runs the test body's file operations inside a temporary directory and
// returns to the previous one afterwards.
struct InTempDir {
  std::filesystem::path previous = std::filesystem::current_path();
  std::string dir = MakeTempDir();
  InTempDir() { std::filesystem::current_path(dir); }
  ~InTempDir() {
    std::filesystem::current_path(previous);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};
