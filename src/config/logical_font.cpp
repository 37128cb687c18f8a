#include "config/logical_font.h"

#include "core/byte_cursor.h"

namespace lumo {

void put_logical_font(std::vector<uint8_t>& out, const logical_font& font) {
  for (int32_t v : {font.height, font.width, font.escapement, font.orientation, font.weight})
    put_le(out, static_cast<uint32_t>(v), 4);
  for (uint8_t b : {font.italic, font.underline, font.strike_out, font.char_set, font.out_precision,
                    font.clip_precision, font.quality, font.pitch_and_family})
    out.push_back(b);
  for (char16_t c : font.face_name) put_le(out, c, 2);
}

logical_font get_logical_font(std::span<const uint8_t, logical_font_size_bytes> bytes) {
  byte_cursor c(bytes, "font record");
  logical_font font;
  for (int32_t* field :
       {&font.height, &font.width, &font.escapement, &font.orientation, &font.weight})
    *field = c.s32le();
  for (uint8_t* field :
       {&font.italic, &font.underline, &font.strike_out, &font.char_set, &font.out_precision,
        &font.clip_precision, &font.quality, &font.pitch_and_family})
    *field = c.u8();
  for (char16_t& ch : font.face_name) ch = c.u16le();
  font.face_name.back() = 0;  // a damaged record must still end its name
  return font;
}

}  // namespace lumo
