#include "config/logical_font.h"

#include "config/byte_stream.h"

namespace lumo {

void put_logical_font(std::vector<uint8_t>& out, const logical_font& font) {
  for (int32_t v : {font.height, font.width, font.escapement, font.orientation, font.weight})
    put_u32_le(out, static_cast<uint32_t>(v));
  for (uint8_t b : {font.italic, font.underline, font.strike_out, font.char_set, font.out_precision,
                    font.clip_precision, font.quality, font.pitch_and_family})
    out.push_back(b);
  for (char16_t c : font.face_name) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
}

logical_font get_logical_font(std::span<const uint8_t, logical_font_size_bytes> bytes) {
  const uint8_t* p = bytes.data();
  logical_font font;
  for (int32_t* field :
       {&font.height, &font.width, &font.escapement, &font.orientation, &font.weight}) {
    *field = static_cast<int32_t>(get_u32_le(p));
    p += 4;
  }
  for (uint8_t* field :
       {&font.italic, &font.underline, &font.strike_out, &font.char_set, &font.out_precision,
        &font.clip_precision, &font.quality, &font.pitch_and_family})
    *field = *p++;
  for (char16_t& c : font.face_name) {
    c = static_cast<char16_t>(p[0] | p[1] << 8);
    p += 2;
  }
  font.face_name.back() = 0;  // a damaged record must still end its name
  return font;
}

}  // namespace lumo
