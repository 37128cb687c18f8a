// The lookup of file system services. Kept apart so it can move onto the service
// registry without touching the services themselves.

#include "fs/file_system.h"

#include "core/exceptions.h"

namespace lumo {

namespace {

// Constant-initialised, so services may register from any static constructor.
constinit const file_system_registration* g_first_file_system = nullptr;

}  // namespace

file_system_registration::file_system_registration(const file_system& service)
    : service_(service), next_(g_first_file_system) {
  g_first_file_system = this;
}

const file_system& find_file_system(std::string_view url) {
  for (auto* node = g_first_file_system; node; node = node->next())
    if (node->service().claims(url)) return node->service();
  throw sonatrix_io::exception_io_no_handler_for_path();
}

std::optional<std::string> make_canonical_path(std::string_view url) {
  for (auto* node = g_first_file_system; node; node = node->next())
    if (auto result = node->service().canonical_path(url)) return result;
  return std::nullopt;
}

}  // namespace lumo
