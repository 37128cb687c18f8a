#pragma once
// The input-opening service: the one registered entry through which other modules open
// files for decoding, info reading and tag writing. Exactly one implementation may be
// registered (the registry refuses to start otherwise), so a module that needs to
// intercept opening (a cache, a CUE sheet splitter) does it behind this entry.

#include <memory>
#include <optional>
#include <string_view>

#include "core/service.h"
#include "core/service_registry.h"
#include "input/input_open.h"

namespace lumo {

class input_entry : public service_base {
 public:
  static constexpr guid class_guid = input_entry_class_guid;
  using parent_class = service_base;
  using service_class = input_entry;

  virtual std::shared_ptr<input_decoder> open_decoder(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) = 0;
  virtual std::shared_ptr<input_info_reader> open_info_reader(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) = 0;
  virtual std::shared_ptr<input_info_writer> open_info_writer(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) = 0;

 protected:
  ~input_entry() = default;
};

}  // namespace lumo
