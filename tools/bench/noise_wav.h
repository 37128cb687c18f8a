#pragma once
// A stereo PCM WAV of noise in the temporary folder, made once and reused by later runs
// (a file of the expected size is taken as it is).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace lumo::bench {

inline std::string noise_wav(const std::string& name, uint32_t rate, uint32_t bits,
                             uint64_t frames) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  const uint32_t align = bits / 8 * 2;
  const uint64_t data = frames * align;
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) == data + 44) return path;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return path;  // the benchmark's open reports it
  auto u16 = [&](uint32_t v) { std::fputc(v & 0xFF, f), std::fputc(v >> 8 & 0xFF, f); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  std::fputs("RIFF", f), u32(static_cast<uint32_t>(36 + data)), std::fputs("WAVEfmt ", f), u32(16);
  u16(1), u16(2), u32(rate), u32(rate * align), u16(align), u16(bits);
  std::fputs("data", f), u32(static_cast<uint32_t>(data));
  std::mt19937 noise(42);
  std::vector<uint8_t> block(1 << 20);
  for (uint64_t left = data; left;) {
    for (auto& b : block) b = static_cast<uint8_t>(noise());
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
    std::fwrite(block.data(), 1, n, f);
    left -= n;
  }
  std::fclose(f);
  return path;
}

}  // namespace lumo::bench
