#pragma once
// A fresh folder per test, removed with its contents afterwards.

#include <string>
#include <string_view>

namespace lumo::testing {

class test_folder {
 public:
  test_folder();
  ~test_folder();
  test_folder(const test_folder&) = delete;
  test_folder& operator=(const test_folder&) = delete;

  // "file://" URL ending in the path separator.
  const std::string& url() const { return url_; }
  std::string operator/(std::string_view name) const { return url_ + std::string(name); }

 private:
  std::string url_;
};

// Platform part: a new empty folder's URL (with trailing separator).
std::string make_temp_folder_url();
// Sets or clears the read-only attribute (the owner's write bit on POSIX).
void set_read_only(const std::string& url, bool is_read_only);

// Test data helpers.
void write_whole_file(const std::string& url, std::string_view content);
std::string read_whole_file(const std::string& url);

}  // namespace lumo::testing
