#include "input/input_entry.h"

namespace lumo {

namespace {

// Opening goes straight to the handler list.
class direct_input_entry : public input_entry {
 public:
  std::shared_ptr<input_decoder> open_decoder(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) override {
    return open_input_decoder(path, std::move(file), abort, content_type);
  }
  std::shared_ptr<input_info_reader> open_info_reader(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) override {
    return open_input_info_reader(path, std::move(file), abort, content_type);
  }
  std::shared_ptr<input_info_writer> open_info_writer(
      std::string_view path, file_ptr file, const abort_signal& abort,
      std::optional<std::string_view> content_type) override {
    return open_input_info_writer(path, std::move(file), abort, content_type);
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(direct_input_entry);

}  // namespace

}  // namespace lumo
