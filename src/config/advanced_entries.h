#pragma once
// The advanced preference entries the program registers. Modules that use one read it
// here rather than declaring their own. Top-level groups have no entry of their own:
// they are known only by GUID.

#include "config/advanced_entry.h"

namespace lumo::advanced {

// Window behaviour (mouse wheel, the properties dialog).
inline constexpr guid group_interface{
    0x64B1DE25u, 0xF8B8, 0x42DE, {0x86, 0x84, 0xBB, 0xC6, 0xD9, 0x61, 0x17, 0xF2}};
// Playback (error popups, volume step, fades).
inline constexpr guid group_playback{
    0xC48D430Du, 0x0112, 0x4922, {0x97, 0x23, 0x28, 0x38, 0xC7, 0xD9, 0x7D, 0xD7}};
// Tag writing (the MP3 branch).
inline constexpr guid group_tagging{
    0xDDC9783Eu, 0x6A64, 0x4B0B, {0xB3, 0xD4, 0xAA, 0x65, 0x39, 0x4B, 0x1D, 0x68}};

// Read by the message loop on every message.
extern advanced_checkbox_entry mouse_wheel_below_pointer;

extern advanced_checkbox_entry show_error_popups;
// A decimal number of decibels, parsed by the volume code.
extern advanced_text_entry volume_step_db;
extern advanced_branch_entry fading;
extern advanced_integer_entry fade_out_ms;
extern advanced_integer_entry fade_on_seek_ms;
extern advanced_integer_entry fade_on_pause_ms;

extern advanced_branch_entry properties_dialog;
// Field names separated by ";".
extern advanced_text_entry multiline_fields;
extern advanced_text_entry multivalue_fields;
// A title-formatting script.
extern advanced_text_entry title_display_format;

extern advanced_branch_entry mp3;
extern advanced_branch_entry tag_writing_scheme;
// Radio items of tag_writing_scheme: exactly one is set.
extern advanced_checkbox_entry scheme_id3v2_id3v1;
extern advanced_checkbox_entry scheme_id3v2;
extern advanced_checkbox_entry scheme_ape_id3v1;
extern advanced_checkbox_entry scheme_ape;

}  // namespace lumo::advanced
