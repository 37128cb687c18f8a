#pragma once
// The order of every list the library shows: a logical comparison in the manner of the
// shell's StrCmpLogicalW (letter case ignored, accented Latin letters next to their base
// letter, runs of ASCII digits compared by numeric value), with plain UTF-16 code-unit
// order breaking ties, so that only identical texts are equal.
//
// The comparison is our own, identical in both builds; the Windows tests check it
// against StrCmpLogicalW itself (logical_compare_system.h). Texts are UTF-8.

#include <string>
#include <string_view>

namespace lumo {

// -1, 0 or 1 under the logical comparison alone: "Track 2" < "track 10", "a" == "A",
// "a02" == "a2". Digit runs of any length compare by value.
int logical_compare(std::string_view a, std::string_view b);

// -1, 0 or 1 in UTF-16 code-unit order (which differs from UTF-8 byte order only for
// characters above U+FFFF against U+E000..U+FFFF).
int code_unit_compare(std::string_view a, std::string_view b);

// The library's ordering: logical, then code units. 0 only for identical texts.
int ordering_compare(std::string_view a, std::string_view b);

// Appends a byte string whose byte order (memcmp, shorter first on a common prefix) is
// the order of logical_compare: equal keys for texts the logical comparison finds
// equal. Sorting long lists by precomputed keys turns every comparison into a memcmp.
void append_logical_sort_key(std::string& out, std::string_view text);

struct ordering_less {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return ordering_compare(a, b) < 0;
  }
};

// Logical comparison alone as a map order: names that it finds equal are one key.
struct logical_less {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return logical_compare(a, b) < 0;
  }
};

}  // namespace lumo
