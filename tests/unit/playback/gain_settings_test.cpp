// Gains, ramps, sample conversion and the user's volume, ReplayGain and fade settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "config/advanced_entries.h"
#include "meta/replaygain_info.h"
#include "playback/gain.h"
#include "playback/playback_settings.h"
#include "playback/sample_convert.h"

namespace lumo {
namespace {

TEST(Gain, DecibelsToLinearAndDirectSoundVolume) {
  EXPECT_DOUBLE_EQ(db_to_linear(0.0), 1.0);
  EXPECT_NEAR(db_to_linear(-6.0), 0.501187, 1e-6);
  EXPECT_DOUBLE_EQ(db_to_linear(+3.0), 1.0);  // clamped
  EXPECT_GE(db_to_linear(-1000.0), 0.0);
  EXPECT_EQ(db_to_linear(NAN), 0.0);
  EXPECT_EQ(linear_to_hundredths_db(1.0), 0);
  EXPECT_EQ(linear_to_hundredths_db(0.5), -602);
  EXPECT_EQ(linear_to_hundredths_db(0.0), -10000);
  EXPECT_EQ(linear_to_hundredths_db(1e-9), -10000);
}

TEST(Gain, RampMovesLinearlyAndZeroLengthIsImmediate) {
  gain_ramp r(1.0);
  r.start(0.0, 10.0, 100.0);
  EXPECT_FALSE(r.advance(105.0));
  EXPECT_DOUBLE_EQ(r.gain(), 0.5);
  EXPECT_TRUE(r.advance(110.0));
  EXPECT_DOUBLE_EQ(r.gain(), 0.0);
  EXPECT_FALSE(r.advance(111.0));  // ends once

  r.start(0.8, 0.0, 200.0);
  EXPECT_FALSE(r.is_running());
  EXPECT_DOUBLE_EQ(r.gain(), 0.8);
}

TEST(Gain, AppliedFrameByFrameAcrossSpans) {
  // A ramp over 8 frames applied in spans of 3: same result as one span, exact at the end.
  std::vector<float> a(2 * 12, 1.0f), b = a;
  gain_ramp ra(1.0), rb(1.0);
  ra.start(0.0, 8.0, 0.0);
  rb.start(0.0, 8.0, 0.0);
  bool ended = apply_gain_ramp(a.data(), 2, 12, ra, 0);
  bool ended_b = false;
  for (uint64_t f = 0; f < 12; f += 3) ended_b |= apply_gain_ramp(b.data() + f * 2, 2, 3, rb, f);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(ended_b);
  EXPECT_EQ(a, b);
  EXPECT_FLOAT_EQ(a[0], 1.0f);
  EXPECT_FLOAT_EQ(a[2 * 4], 0.5f);
  EXPECT_FLOAT_EQ(a[2 * 4 + 1], 0.5f);
  EXPECT_FLOAT_EQ(a[2 * 8], 0.0f);
  EXPECT_FLOAT_EQ(a[2 * 11], 0.0f);
}

TEST(SampleConvert, IntegerFormatsRoundAndClip) {
  const float in[] = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.0f, NAN, 1.0f / 32768};
  uint8_t out[8 * 4];
  convert_samples(in, 8, {16, false}, out);
  int16_t s16[8];
  std::memcpy(s16, out, sizeof s16);
  EXPECT_EQ(std::vector<int16_t>(s16, s16 + 8),
            (std::vector<int16_t>{0, 16384, -16384, 32767, -32768, 32767, 0, 1}));
  convert_samples(in, 5, {8, false}, out);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 5), (std::vector<uint8_t>{128, 192, 64, 255, 0}));
  convert_samples(in, 4, {24, false}, out);
  EXPECT_EQ(out[3], 0x00);
  EXPECT_EQ(out[4], 0x00);
  EXPECT_EQ(out[5], 0x40);
  EXPECT_EQ(out[9], 0xFF);  // 1.0 clips to 0x7FFFFF
  EXPECT_EQ(out[11], 0x7F);
  convert_samples(in, 5, {32, false}, out);
  int32_t s32[5];
  std::memcpy(s32, out, sizeof s32);
  EXPECT_EQ(s32[1], 1 << 30);
  EXPECT_EQ(s32[3], INT32_MAX);
  EXPECT_EQ(s32[4], INT32_MIN);
  uint8_t silence[4];
  fill_silence(silence, 4, {8, false});
  EXPECT_EQ(silence[3], 0x80);
  fill_silence(silence, 4, {32, true});
  EXPECT_EQ(silence[3], 0);
}

TEST(PlaybackSettings, MasterVolumeClampsStepsAndTellsListeners) {
  std::vector<double> heard;
  int id = add_volume_listener([&](double db) { heard.push_back(db); });
  set_master_volume_db(-150.0);
  EXPECT_EQ(get_master_volume_db(), -100.0);
  set_master_volume_db(3.0);
  EXPECT_EQ(get_master_volume_db(), 0.0);
  EXPECT_FALSE(set_master_volume_db(0.0));  // unchanged: nobody told
  volume_up();
  EXPECT_EQ(get_master_volume_db(), 0.0);
  advanced::volume_step_db.set_value("2,5");
  volume_down();
  EXPECT_DOUBLE_EQ(get_master_volume_db(), -2.5);
  volume_down();
  volume_up();
  EXPECT_DOUBLE_EQ(get_master_volume_db(), -2.5);
  advanced::volume_step_db.reset();
  remove_volume_listener(id);
  set_master_volume_db(0.0);
  EXPECT_EQ(heard, (std::vector<double>{-100.0, 0.0, -2.5, -5.0, -2.5}));
}

replaygain_info rg(float tg, float ag, float tp, float ap) {
  replaygain_info i;
  i.track_gain = tg;
  i.album_gain = ag;
  i.track_peak = tp;
  i.album_peak = ap;
  return i;
}

TEST(PlaybackSettings, ReplayGainScale) {
  constexpr float no_gain = replaygain_info::gain_absent;
  constexpr float no_peak = replaygain_info::peak_absent;
  replaygain_settings s;  // album first, apply gain
  EXPECT_NEAR(replaygain_scale(s, rg(-6.0f, no_gain, no_peak, no_peak)), std::pow(10.0, -0.3),
              1e-9);
  EXPECT_NEAR(replaygain_scale(s, rg(-6.0f, -3.0f, no_peak, no_peak)), std::pow(10.0, -0.15), 1e-9);
  s.source = 1;
  EXPECT_NEAR(replaygain_scale(s, rg(-6.0f, -3.0f, no_peak, no_peak)), std::pow(10.0, -0.3), 1e-9);
  // No values: the preamp for tracks without ReplayGain.
  s.preamp_without_rg_db = -3.0f;
  s.preamp_with_rg_db = 5.0f;
  EXPECT_NEAR(replaygain_scale(s, replaygain_info{}), std::pow(10.0, -0.15), 1e-9);
  EXPECT_NEAR(replaygain_scale(s, rg(-6.0f, no_gain, no_peak, no_peak)), std::pow(10.0, -0.05),
              1e-9);
  // Source "none": never a gain, always the preamp without.
  s.source = 0;
  EXPECT_NEAR(replaygain_scale(s, rg(-6.0f, -6.0f, 0.5f, 0.5f)), std::pow(10.0, -0.15), 1e-9);
  // Clipping prevention.
  s = {2, 2, 0.0f, 0.0f};
  EXPECT_NEAR(replaygain_scale(s, rg(6.0f, no_gain, 0.9f, no_peak)), 1.0 / 0.9, 1e-6);
  EXPECT_NEAR(replaygain_scale(s, rg(6.0f, no_gain, 0.2f, no_peak)), std::pow(10.0, 0.3), 1e-6);
  s.processing = 3;  // clipping only: the gain itself is not applied
  EXPECT_NEAR(replaygain_scale(s, rg(6.0f, no_gain, 1.25f, no_peak)), 0.8, 1e-6);
  EXPECT_EQ(replaygain_scale(s, rg(6.0f, no_gain, 0.9f, no_peak)), 1.0);
  s.processing = 0;
  s.preamp_with_rg_db = 12.0f;
  s.preamp_without_rg_db = -12.0f;
  EXPECT_EQ(replaygain_scale(s, rg(-6.0f, -6.0f, 2.0f, 2.0f)), 1.0);
  EXPECT_EQ(replaygain_scale(s, replaygain_info{}), 1.0);
}

TEST(PlaybackSettings, ReplayGainRecordIsHandedToTheEngineWhole) {
  replaygain_settings defaults = get_replaygain_settings();
  EXPECT_EQ(defaults, (replaygain_settings{2, 1, 0.0f, 0.0f}));
  replaygain_settings got{};
  set_replaygain_settings_listener([&](const replaygain_settings& s) { got = s; });
  replaygain_settings mine{1, 2, -1.5f, 2.5f};
  set_replaygain_settings(mine);
  EXPECT_EQ(got, mine);
  EXPECT_EQ(get_replaygain_settings(), mine);
  set_replaygain_settings_listener(nullptr);
  set_replaygain_settings(defaults);
  EXPECT_EQ(got, mine);
}

TEST(PlaybackSettings, FadeLengthsAndPreampLabels) {
  EXPECT_DOUBLE_EQ(fade_length_seconds(fade_kind::stop), 0.1);
  advanced::fade_on_seek_ms.set_value(250);
  advanced::fade_on_pause_ms.set_value(0);
  EXPECT_DOUBLE_EQ(fade_length_seconds(fade_kind::seek), 0.25);
  EXPECT_DOUBLE_EQ(fade_length_seconds(fade_kind::pause), 0.0);
  advanced::fade_on_seek_ms.reset();
  advanced::fade_on_pause_ms.reset();
  // Seek first, then out, then pause, all under "Fading" with a 10 s ceiling.
  EXPECT_LT(advanced::fade_on_seek_ms.priority(), advanced::fade_out_ms.priority());
  EXPECT_LT(advanced::fade_out_ms.priority(), advanced::fade_on_pause_ms.priority());
  EXPECT_EQ(advanced::fade_out_ms.max_value(), 10000);
  EXPECT_EQ(advanced::fade_out_ms.parent(), advanced::fading.id());
  EXPECT_EQ(advanced::fading.parent(), advanced::group_playback);
  EXPECT_EQ(advanced::volume_step_db.parent(), advanced::group_playback);
  EXPECT_EQ(advanced::show_error_popups.parent(), advanced::group_playback);

  EXPECT_EQ(preamp_label(200),
            "\xC2\xB1"
            "0.0dB");
  EXPECT_EQ(preamp_label(215), "+1.5dB");
  EXPECT_EQ(preamp_label(0), "-20.0dB");
  EXPECT_EQ(preamp_label(400), "+20.0dB");
  EXPECT_EQ(preamp_label(199), "-0.1dB");
  EXPECT_DOUBLE_EQ(preamp_slider_to_db(215), 1.5);
  EXPECT_EQ(preamp_db_to_slider(-20.0), 0);
  EXPECT_EQ(preamp_db_to_slider(1.5), 215);
  EXPECT_EQ(preamp_db_to_slider(99.0), 400);
}

}  // namespace
}  // namespace lumo
