#include "playback/output_errors.h"

#include "core/system_text.h"
#include "core/text_lookup.h"

namespace lumo {
namespace {

std::string text_or(std::string_view id, const char* english) {
  std::string text = lookup_text(id);
  return text.empty() ? std::string(english) : text;
}

}  // namespace

std::string device_error_text(int32_t code, device_error_context context) {
  if (code == dserr_nodriver && context == device_error_context::update)
    return "Audio device not found";
  if (code == dserr_badformat)
    return text_or("exception_audio_unsupported_stream_format",
                   "Audio data format not supported by this device");
  if (code == dserr_nodriver)
    return text_or("exception_audio_device_not_found", "Device not found");
  return hresult_text(code);
}

void throw_device_error(int32_t code, device_error_context context) {
  throw exception_audio_device(code, device_error_text(code, context));
}

}  // namespace lumo
