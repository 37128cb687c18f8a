#pragma once
// What a later launch sends the running instance: its command line and current
// directory, each followed by a zero byte, under data tag 1. The receiver queues what
// arrives and acts on it later, in order, so the sender is never kept waiting.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr uint64_t forwarded_command_line_tag = 1;
inline constexpr uint64_t executable_path_query_tag = 2;

std::string encode_forwarded_command_line(std::string_view command_line,
                                          std::string_view current_directory);

struct forwarded_command_line {
  std::string command_line;
  std::string current_directory;
};
// Only tag 1 with exactly two zero bytes in the payload counts; each ends one text.
std::optional<forwarded_command_line> decode_forwarded_command_line(uint64_t tag,
                                                                    std::string_view payload);

// The receiver's queue. Main thread only.
class forwarded_queue {
 public:
  void push(uint64_t tag, std::string payload);
  // Takes the entries in arrival order and passes each valid one to act; entries that
  // arrive while acting are taken too.
  template <class F>
  void drain(F&& act) {
    while (!entries_.empty()) {
      entry e = std::move(entries_.front());
      entries_.pop_front();
      if (auto line = decode_forwarded_command_line(e.tag, e.payload)) act(*line);
    }
  }
  size_t size() const { return entries_.size(); }

 private:
  struct entry {
    uint64_t tag;
    std::string payload;
  };
  std::deque<entry> entries_;
};

}  // namespace lumo
