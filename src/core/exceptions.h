#pragma once
// The program's exception family. Every failure is one of these; what() is the text a
// user may see. I/O texts come from the language data, looked up when the exception is
// constructed, so a message always speaks the language that was active when it arose.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace kel {

// Root of the family: a UTF-8 message; an empty message reads "Unknown exception".
class exception : public std::exception {
 public:
  exception() = default;
  explicit exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override;
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// Declares a family member whose default message is a fixed text; other modules use
// it for their own classes.
#define LUMO_DECLARE_EXCEPTION(name, base, text)                     \
  class name : public base {                                         \
   public:                                                           \
    name() : base(std::string(text)) {}                              \
    explicit name(std::string message) : base(std::move(message)) {} \
  }

LUMO_DECLARE_EXCEPTION(exception_bug_check, exception, "Bug check");
LUMO_DECLARE_EXCEPTION(exception_not_implemented, exception_bug_check, "Feature not implemented");
LUMO_DECLARE_EXCEPTION(exception_invalid_params, exception_bug_check, "Invalid parameters");
LUMO_DECLARE_EXCEPTION(exception_dynamic_assert, exception_bug_check, "dynamic_assert failure");
// A bug check with the caller's own text.
class exception_bug_check_v2 : public exception_bug_check {
 public:
  explicit exception_bug_check_v2(std::string message) : exception_bug_check(std::move(message)) {}
};
LUMO_DECLARE_EXCEPTION(exception_overflow, exception, "Overflow");
LUMO_DECLARE_EXCEPTION(exception_service_extension_not_found, exception,
                       "Service extension not found");
LUMO_DECLARE_EXCEPTION(exception_messagebox, exception, "");
LUMO_DECLARE_EXCEPTION(
    exception_installdamaged, exception_messagebox,
    "Internal error - one or more of the installed components have been damaged.");
LUMO_DECLARE_EXCEPTION(exception_out_of_resources, exception_messagebox,
                       "Not enough system resources available.");
LUMO_DECLARE_EXCEPTION(exception_shutdownrequest, exception, "Shutdown Request");
LUMO_DECLARE_EXCEPTION(exception_aborted, exception, "User abort");

// A failing COM call: the system text of its HRESULT.
class exception_com : public exception {
 public:
  explicit exception_com(int32_t hresult);
  exception_com(int32_t hresult, std::string message)
      : exception(std::move(message)), hresult_(hresult) {}
  int32_t code() const { return hresult_; }

 private:
  int32_t hresult_;
};

// A failing Win32 call outside the file system: the system text of its error code.
class exception_win32 : public exception {
 public:
  explicit exception_win32(uint32_t code);
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;
};

// Raises exception_com when the HRESULT signals failure.
void check_hresult(int32_t hresult);

// The text shown for any exception: what(), with the allocation failure spelled the
// way the program shows it.
std::string error_text(const std::exception& e);

}  // namespace kel

namespace sonatrix_io {

// Looks up a language text for an I/O exception (see core/text_lookup.h).
std::string io_text(std::string_view id);

// Declares an I/O family member whose default message is the language text of id.
#define LUMO_DECLARE_IO_EXCEPTION(name, base, id)                    \
  class name : public base {                                         \
   public:                                                           \
    name() : base(io_text(id)) {}                                    \
    explicit name(std::string message) : base(std::move(message)) {} \
  }

LUMO_DECLARE_IO_EXCEPTION(exception_io, kel::exception, "exception_io");
LUMO_DECLARE_IO_EXCEPTION(exception_io_data, exception_io, "exception_io_data");
LUMO_DECLARE_IO_EXCEPTION(exception_io_data_truncation, exception_io_data, "exception_io_data");
LUMO_DECLARE_IO_EXCEPTION(exception_io_unsupported_format, exception_io_data,
                          "exception_io_unsupported_format");
LUMO_DECLARE_IO_EXCEPTION(exception_io_object_not_seekable, exception_io,
                          "exception_io_object_not_seekable");
LUMO_DECLARE_IO_EXCEPTION(exception_io_seek_out_of_range, exception_io,
                          "exception_io_seek_out_of_range");
LUMO_DECLARE_IO_EXCEPTION(exception_io_not_found, exception_io, "exception_io_not_found");
LUMO_DECLARE_IO_EXCEPTION(exception_io_denied, exception_io, "exception_io_denied");
LUMO_DECLARE_IO_EXCEPTION(exception_io_write_protected, exception_io_denied,
                          "exception_io_write_protected");
LUMO_DECLARE_IO_EXCEPTION(exception_io_sharing_violation, exception_io,
                          "exception_io_sharing_violation");
LUMO_DECLARE_IO_EXCEPTION(exception_io_device_full, exception_io, "exception_io_device_full");
LUMO_DECLARE_IO_EXCEPTION(exception_io_file_corrupted, exception_io, "exception_io_file_corrupted");
LUMO_DECLARE_IO_EXCEPTION(exception_io_already_exists, exception_io, "exception_io_already_exists");
LUMO_DECLARE_IO_EXCEPTION(exception_io_directory_not_empty, exception_io,
                          "exception_io_directory_not_empty");
LUMO_DECLARE_IO_EXCEPTION(exception_io_name_too_long, exception_io, "exception_io_name_too_long");
LUMO_DECLARE_IO_EXCEPTION(exception_io_no_handler_for_path, exception_io,
                          "exception_io_no_handler_for_path");
LUMO_DECLARE_IO_EXCEPTION(exception_io_object_is_remote, exception_io,
                          "exception_io_object_is_remote");
LUMO_DECLARE_IO_EXCEPTION(exception_io_no_length, exception_io, "exception_io_no_length");

// Base of I/O errors that carry a platform error code.
class exception_io_win32 : public exception_io {
 public:
  exception_io_win32(uint32_t code, std::string message)
      : exception_io(std::move(message)), code_(code) {}
  uint32_t code() const { return code_; }

 private:
  uint32_t code_;
};

// An I/O error with no more specific class: "I/O error #{code}".
class exception_io_win32_ex : public exception_io_win32 {
 public:
  explicit exception_io_win32_ex(uint32_t code);
};

// Raises the I/O exception a Win32 error code maps to (2 and 3 not found, 5 denied, ...).
[[noreturn]] void throw_io_error(uint32_t win32_code);

// Raises the I/O exception for a C library errno value, through the Win32 code that
// means the same, so both builds report a failure alike.
[[noreturn]] void throw_io_errno(int err);

}  // namespace sonatrix_io
