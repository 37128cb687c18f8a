// The stream specification check, the wave format a device is asked for, the device
// error texts and the output services.
#include <gtest/gtest.h>

#include <string>

#include "core/text_lookup.h"
#include "playback/output.h"
#include "playback/output_errors.h"
#include "playback/output_spec.h"

namespace lumo {
namespace {

output_spec spec(uint32_t rate, uint32_t channels, uint32_t mask, uint32_t bits, bool is_float) {
  output_spec s;
  s.sample_rate = rate;
  s.channels = channels;
  s.channel_mask = mask;
  s.bits_per_sample = bits;
  s.is_float = is_float;
  return s;
}

std::string refusal(const output_spec& s) {
  try {
    validate_output_spec(s);
  } catch (const exception_audio_invalid_spec& e) {
    return e.what();
  }
  return "";
}

TEST(OutputSpec, ValidationRefusesWithTheText) {
  EXPECT_EQ(refusal(spec(44100, 2, 0x3, 16, false)), "");
  EXPECT_EQ(refusal(spec(48000, 6, 0x3F, 32, true)), "");
  EXPECT_EQ(refusal(spec(44100, 3, 0x3, 16, false)), "Invalid audio stream specifications");
  EXPECT_EQ(refusal(spec(0, 2, 0x3, 16, false)), "Invalid audio stream specifications");
  EXPECT_EQ(refusal(spec(44100, 0, 0, 16, false)), "Invalid audio stream specifications");
  EXPECT_EQ(refusal(spec(44100, 2, 0x3, 12, false)), "Invalid audio stream specifications");
  EXPECT_EQ(refusal(spec(44100, 2, 0x3, 16, true)), "Invalid audio stream specifications");
  output_spec no_buffer = spec(44100, 2, 0x3, 16, false);
  no_buffer.buffer_seconds = 0;
  EXPECT_EQ(refusal(no_buffer), "Invalid audio stream specifications");
  for (uint32_t ch = 1; ch <= 8; ++ch)
    EXPECT_EQ(refusal(spec(44100, ch, default_channel_mask(ch), 16, false)), "") << ch;
}

TEST(OutputSpec, PlainFormatUpToStereo16ExtensibleAbove) {
  wave_format f = make_wave_format(spec(44100, 2, 0x3, 16, false), false);
  EXPECT_EQ(f.format_tag, wave_format_pcm);
  EXPECT_EQ(f.block_align, 4);
  EXPECT_EQ(f.avg_bytes_per_sec, 176400u);
  EXPECT_EQ(f.extra_size, 0);

  f = make_wave_format(spec(48000, 1, 0x4, 32, true), false);
  EXPECT_EQ(f.format_tag, wave_format_ieee_float);

  f = make_wave_format(spec(48000, 6, 0x3F, 16, false), false);
  EXPECT_EQ(f.format_tag, wave_format_extensible);
  EXPECT_EQ(f.extra_size, 22);
  EXPECT_EQ(f.channel_mask, 0x3Fu);
  EXPECT_EQ(f.block_align, 12);
  EXPECT_EQ(f.sub_format, ksdataformat_subtype_pcm);

  f = make_wave_format(spec(44100, 2, 0x3, 24, false), false);
  EXPECT_EQ(f.format_tag, wave_format_extensible);
  EXPECT_EQ(f.valid_bits_per_sample, 24);

  // The retry for devices that refuse plain float.
  f = make_wave_format(spec(44100, 2, 0x3, 32, true), true);
  EXPECT_EQ(f.format_tag, wave_format_extensible);
  EXPECT_EQ(f.sub_format, ksdataformat_subtype_ieee_float);
  EXPECT_EQ(f.channel_mask, 0x3u);
}

std::string override_text(std::string_view id) {
  if (id == "exception_audio_device_not_found") return "Laite puuttuu";
  return "";
}

TEST(OutputErrors, DeviceCodesMapToTextsWithLanguageOverrides) {
  EXPECT_EQ(device_error_text(dserr_badformat, device_error_context::open_or_write),
            "Audio data format not supported by this device");
  EXPECT_EQ(device_error_text(dserr_nodriver, device_error_context::open_or_write),
            "Device not found");
  EXPECT_EQ(device_error_text(dserr_nodriver, device_error_context::update),
            "Audio device not found");
  EXPECT_FALSE(
      device_error_text(static_cast<int32_t>(0x80004005u), device_error_context::update).empty());

  static const text_source finnish{override_text};
  const text_source* before = set_text_source(&finnish);
  EXPECT_EQ(device_error_text(dserr_nodriver, device_error_context::open_or_write),
            "Laite puuttuu");
  // Missing from the language: English.
  EXPECT_EQ(device_error_text(dserr_badformat, device_error_context::open_or_write),
            "Audio data format not supported by this device");
  EXPECT_EQ(device_error_text(dserr_nodriver, device_error_context::update),
            "Audio device not found");
  set_text_source(before);

  try {
    throw_device_error(dserr_badformat, device_error_context::open_or_write);
    FAIL();
  } catch (const exception_audio_device& e) {
    EXPECT_EQ(e.code(), dserr_badformat);
  }
}

TEST(OutputEntries, FoundByGuidUnknownOneRefused) {
  EXPECT_EQ(find_output_entry(null_output_guid)->get_guid(), null_output_guid);
  EXPECT_EQ(find_output_entry(render_output_guid)->list_devices().size(), 1u);
  guid unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  try {
    find_output_entry(unknown);
    FAIL();
  } catch (const exception_output_module_not_found& e) {
    EXPECT_STREQ(e.what(), "Output module not found");
  }
  output_selection before = get_output_selection();
  EXPECT_EQ(before.module, directsound_output_guid);
  set_output_selection({unknown, guid{}});
  EXPECT_THROW(create_configured_output(), exception_output_module_not_found);
  set_output_selection(before);

  guid parsed{};
  EXPECT_TRUE(parse_guid(guid_to_text(directsound_output_guid), parsed));
  EXPECT_EQ(parsed, directsound_output_guid);
  EXPECT_EQ(guid_to_text(directsound_output_guid), "{D41D2423-FBB0-4635-B233-7054F79814AB}");
  EXPECT_FALSE(parse_guid("{D41D2423-FBB0-4635-B233-7054F79814AX}", parsed));
}

}  // namespace
}  // namespace lumo
