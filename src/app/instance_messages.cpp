#include "app/instance_messages.h"

#include <algorithm>

namespace lumo {

std::string encode_forwarded_command_line(std::string_view command_line,
                                          std::string_view current_directory) {
  std::string payload;
  payload.reserve(command_line.size() + current_directory.size() + 2);
  payload += command_line;
  payload += '\0';
  payload += current_directory;
  payload += '\0';
  return payload;
}

std::optional<forwarded_command_line> decode_forwarded_command_line(uint64_t tag,
                                                                    std::string_view payload) {
  if (tag != forwarded_command_line_tag) return std::nullopt;
  if (std::count(payload.begin(), payload.end(), '\0') != 2) return std::nullopt;
  size_t first = payload.find('\0');
  size_t second = payload.find('\0', first + 1);
  return forwarded_command_line{std::string(payload.substr(0, first)),
                                std::string(payload.substr(first + 1, second - first - 1))};
}

void forwarded_queue::push(uint64_t tag, std::string payload) {
  entries_.push_back({tag, std::move(payload)});
}

}  // namespace lumo
