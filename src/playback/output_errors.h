#pragma once
// The output's failures and the mapping of device error codes to the texts a user reads.

#include <cstdint>
#include <string>

#include "core/exceptions.h"

namespace lumo {

LUMO_DECLARE_EXCEPTION(exception_audio_invalid_spec, kel::exception,
                       "Invalid audio stream specifications");
LUMO_DECLARE_EXCEPTION(exception_output_module_not_found, kel::exception,
                       "Output module not found");
// A device failure; code is the device's failure code (an HRESULT).
class exception_audio_device : public kel::exception {
 public:
  exception_audio_device(int32_t code, std::string message)
      : kel::exception(std::move(message)), code_(code) {}
  int32_t code() const { return code_; }

 private:
  int32_t code_;
};

inline constexpr int32_t dserr_badformat = static_cast<int32_t>(0x88780064u);
inline constexpr int32_t dserr_nodriver = static_cast<int32_t>(0x88780078u);

// Where a failure code arose: while opening or writing, or reported by a running stream
// when the output checks it.
enum class device_error_context { open_or_write, update };

// The text for a failure code: the language's "exception_audio_unsupported_stream_format"
// or "exception_audio_device_not_found" (English when the language lacks it) for the two
// codes named there, "Audio device not found" for a running stream that lost its driver,
// otherwise the system's text for the code.
std::string device_error_text(int32_t code, device_error_context context);

// Raises exception_audio_device with that text.
[[noreturn]] void throw_device_error(int32_t code, device_error_context context);

}  // namespace lumo
