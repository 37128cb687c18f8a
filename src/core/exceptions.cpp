#include "core/exceptions.h"

#include <new>

#include "core/system_text.h"
#include "core/text_lookup.h"

namespace kel {

const char* exception::what() const noexcept {
  return message_.empty() ? "Unknown exception" : message_.c_str();
}

exception_com::exception_com(int32_t hresult)
    : exception(lumo::hresult_text(hresult)), hresult_(hresult) {}

exception_win32::exception_win32(uint32_t code)
    : exception(lumo::system_error_text(code)), code_(code) {}

void check_hresult(int32_t hresult) {
  if (hresult < 0) throw exception_com(hresult);
}

std::string error_text(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "bad allocation";
  return e.what();
}

}  // namespace kel

namespace sonatrix_io {

std::string io_text(std::string_view id) {
  return lumo::lookup_text(id);
}

namespace {

std::string code_text(uint32_t code) {
  // A missing text stays empty (what() then reads "Unknown exception"), like every
  // other I/O text.
  std::string text = io_text("exception_io_with_code");
  const std::string_view placeholder = "{code}";
  const std::string number = std::to_string(code);
  for (size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + number.size()))
    text.replace(at, placeholder.size(), number);
  return text;
}

}  // namespace

exception_io_win32_ex::exception_io_win32_ex(uint32_t code)
    : exception_io_win32(code, code_text(code)) {}

void throw_io_error(uint32_t code) {
  switch (code) {
    case 2:
    case 3: throw exception_io_not_found();
    case 5:
    case 65: throw exception_io_denied();
    case 19: throw exception_io_write_protected();
    case 23:
    case 1392:
    case 1393: throw exception_io_file_corrupted();
    case 32:
    case 33:
    case 148:
    case 170: throw exception_io_sharing_violation();
    case 39:
    case 112: throw exception_io_device_full();
    case 80:
    case 183: throw exception_io_already_exists();
    case 111: throw exception_io_name_too_long();
    case 145: throw exception_io_directory_not_empty();
    default: throw exception_io_win32_ex(code);
  }
}

}  // namespace sonatrix_io
