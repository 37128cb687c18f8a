#pragma once
// Pictures (album art) through the input framework: a reader opened on a file like an
// info reader, and picture edits offered by the info writers of formats whose tags hold
// pictures.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/abort.h"
#include "fs/file.h"
#include "tags/tag_picture.h"

namespace lumo {

class album_art_reader {
 public:
  virtual ~album_art_reader() = default;
  // The first picture of that kind; exception_album_art_not_found when there is none.
  virtual tag_picture query(album_art_kind kind, const abort_signal& abort) = 0;
  // Every picture the file holds, in file order.
  virtual std::vector<tag_picture> list(const abort_signal& abort) = 0;
};

// Implemented by the info writers of formats with pictures (find it with dynamic_cast).
// Edits are written by the writer's next set_info, or by commit when set_info does not
// follow.
class album_art_editor {
 public:
  virtual ~album_art_editor() = default;
  // data replaces every picture of that kind; empty data removes them.
  virtual void set_album_art(album_art_kind kind, std::vector<uint8_t> data) = 0;
  void remove_album_art(album_art_kind kind) { set_album_art(kind, {}); }
};

// Opened by the procedure of the info reader (file may be null). A handler without
// pictures: exception_album_art_unsupported_format.
std::shared_ptr<album_art_reader> open_album_art_reader(std::string_view path, file_ptr file,
                                                        const abort_signal& abort);

}  // namespace lumo
