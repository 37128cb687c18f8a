#include "config/advanced_entries.h"

namespace lumo::advanced {

namespace {

constexpr auto radio = advanced_checkbox_entry::style::radio;
constexpr int64_t max_fade_ms = 10000;

}  // namespace

advanced_checkbox_entry mouse_wheel_below_pointer{
    {"Mouse wheel: scroll the object below the pointer rather than the object having "
     "keyboard focus",
     {0x6C4BC1C8u, 0xBAF4, 0x40C3, {0x9D, 0xB1, 0x09, 0x50, 0x7F, 0x0C, 0x0C, 0xB9}},
     group_interface},
    true};

advanced_checkbox_entry show_error_popups{
    {"Show error message popups",
     {0xB363C673u, 0xFBE2, 0x470D, {0x84, 0x13, 0xB2, 0x4A, 0xFA, 0xBA, 0x79, 0x38}},
     group_playback},
    true};

advanced_text_entry volume_step_db{
    {"Volume step (dB)",
     {0x709FEBBCu, 0x9D33, 0x448E, {0xA3, 0xBF, 0x0F, 0x15, 0x1F, 0x0A, 0x8F, 0x5B}},
     group_playback},
    "1.0"};

advanced_branch_entry fading{
    {"Fading",
     {0xF13D9812u, 0x2320, 0x4E70, {0x86, 0x18, 0x5E, 0xC9, 0xB4, 0xFF, 0x32, 0x6F}},
     group_playback}};

advanced_integer_entry fade_out_ms{
    {"Fade out (ms)",
     {0xA5F3ED7Eu, 0xA587, 0x4A0E, {0xB0, 0x91, 0x3F, 0x45, 0x28, 0x72, 0x03, 0x38}},
     fading.id(),
     1},
    100,
    0,
    max_fade_ms};

advanced_integer_entry fade_on_seek_ms{
    {"Fade on seek (ms)",
     {0xCB7A5846u, 0xB39B, 0x4185, {0xA5, 0x62, 0xC4, 0x10, 0x38, 0xD7, 0x0D, 0xA3}},
     fading.id(),
     0},
    100,
    0,
    max_fade_ms};

advanced_integer_entry fade_on_pause_ms{
    {"Fade on pause (ms)",
     {0x5DAE8BF9u, 0xAFB0, 0x4F2D, {0x81, 0xF3, 0xD5, 0xD4, 0xA5, 0xB9, 0x83, 0x1A}},
     fading.id(),
     2},
    100,
    0,
    max_fade_ms};

advanced_branch_entry properties_dialog{
    {"Properties dialog",
     {0x5D59D46Eu, 0x6B72, 0x48D1, {0xAE, 0xB4, 0x55, 0x86, 0x85, 0x10, 0x27, 0x0E}},
     group_interface}};

advanced_text_entry multiline_fields{
    {"Multiline fields",
     {0xCF57D58Bu, 0xB4BD, 0x415D, {0xB3, 0x80, 0x0D, 0x3C, 0xBF, 0x49, 0xEB, 0x74}},
     properties_dialog.id()},
    "COMMENT;LYRICS;BIOGRAPHY"};

advanced_text_entry multivalue_fields{
    {"Multivalue fields",
     {0x2F4AE217u, 0x8D15, 0x4036, {0x9F, 0xCA, 0x39, 0xF8, 0xB5, 0x0F, 0x22, 0xDF}},
     properties_dialog.id()},
    "ARTIST;ALBUM ARTIST;PRODUCER;COMPOSER;PERFORMER;GENRE"};

advanced_text_entry title_display_format{
    {"Title display format",
     {0xDDB654C0u, 0x2FFC, 0x4E3D, {0x8E, 0x0F, 0x42, 0x2A, 0x02, 0xB4, 0xED, 0x81}},
     properties_dialog.id()},
    "%TITLE%"};

advanced_branch_entry mp3{
    {"MP3",
     {0xE7B216BAu, 0xC3C0, 0x443E, {0x97, 0x4B, 0x50, 0x6F, 0xD9, 0xD2, 0x21, 0xBE}},
     group_tagging}};

advanced_branch_entry tag_writing_scheme{
    {"Tag writing scheme for untagged files",
     {0x9B4E0C52u, 0x3D1A, 0x4F7B, {0x8E, 0x26, 0x5A, 0x0C, 0x7D, 0x41, 0xB3, 0xE9}},
     mp3.id()}};

advanced_checkbox_entry scheme_id3v2_id3v1{
    {"ID3v2 + ID3v1",
     {0x1C7A9E30u, 0x6B2D, 0x4E58, {0xA4, 0xF1, 0x0D, 0x83, 0xC5, 0xB2, 0x96, 0xA7}},
     tag_writing_scheme.id(),
     0},
    true,
    radio};

advanced_checkbox_entry scheme_id3v2{
    {"ID3v2",
     {0x7E5B2D91u, 0xC04A, 0x4B36, {0x9F, 0x1E, 0x28, 0xD6, 0xA7, 0xC3, 0xE4, 0x50}},
     tag_writing_scheme.id(),
     1},
    false,
    radio};

advanced_checkbox_entry scheme_ape_id3v1{
    {"APE + ID3v1",
     {0xA3D60F84u, 0x5E19, 0x4C72, {0xB8, 0xA5, 0xE1, 0x7B, 0x94, 0xC2, 0xD0, 0x63}},
     tag_writing_scheme.id(),
     2},
    false,
    radio};

// The APE-only scheme is the fourth choice the tag writer offers.
advanced_checkbox_entry scheme_ape{
    {"APE",
     {0x4F81C2B7u, 0x9A30, 0x4DE6, {0x8B, 0x5C, 0x63, 0xF0, 0xA1, 0xE7, 0xD9, 0x28}},
     tag_writing_scheme.id(),
     3},
    false,
    radio};

}  // namespace lumo::advanced
