#pragma once
// A field provider over a plain list of fields, for tests of the language itself.

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "meta/title_format.h"
#include "meta/title_format_fields.h"

namespace lumo::testing_util {

class map_hook final : public title_format_null_hook {
 public:
  map_hook(std::vector<std::pair<std::string, std::string>> fields = {})
      : fields_(std::move(fields)) {}
  bool process_field(title_format_field_output& out, std::string_view name, bool& found) override {
    for (const auto& [key, value] : fields_) {
      if (ascii_equal_ignoring_case(key, name)) {
        out.write(value);
        found = true;
        return true;
      }
    }
    return false;
  }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

struct result {
  std::string text;
  bool found;
  friend bool operator==(const result&, const result&) = default;
  friend void PrintTo(const result& r, std::ostream* os) {
    *os << '"' << r.text << "\" " << (r.found ? "found" : "not found");
  }
};

inline result format(std::string_view script,
                     std::vector<std::pair<std::string, std::string>> fields = {}) {
  map_hook hook(std::move(fields));
  result r;
  r.text = title_format_script::compile(script).format(hook, &r.found);
  return r;
}

inline std::string text(std::string_view script,
                        std::vector<std::pair<std::string, std::string>> fields = {}) {
  return format(script, std::move(fields)).text;
}

}  // namespace lumo::testing_util
