#include "i18n/override_file.h"

#include "core/exceptions.h"

namespace lumo {

void check_language_override_size(std::optional<uint64_t> size_bytes) {
  if (!size_bytes) throw sonatrix_io::exception_io_no_length();
  if (*size_bytes > language_override_max_bytes) throw sonatrix_io::exception_io_data();
}

}  // namespace lumo
