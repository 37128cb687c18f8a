// A network error in the middle of decoding: the decoder waits, reopens the path and goes
// on from the sample it had reached, so the output equals an undisturbed decode.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/file_system.h"
#include "input/input_exceptions.h"
#include "mpeg_test_support.h"

namespace lumo::mpeg {
namespace {

// Twenty copies of an untagged stream: more than the decoder reads ahead at once.
std::vector<uint8_t> long_stream() {
  const auto one = test::read_file(test::mpeg_fixture("cbr128_notag_44k.mp3"));
  std::vector<uint8_t> out;
  for (int i = 0; i < 20; ++i) out.insert(out.end(), one.begin(), one.end());
  return out;
}

// Reads of "flaky://" files fail once with a network error after this many bytes.
uint64_t g_fail_after_bytes = UINT64_MAX;
int g_opens = 0;

class flaky_file final : public file {
 public:
  explicit flaky_file(file_ptr inner) : inner_(std::move(inner)) {}
  size_t read(void* buffer, size_t count, const abort_signal& abort) override {
    if (g_fail_after_bytes != UINT64_MAX &&
        inner_->get_position(abort) + count > g_fail_after_bytes) {
      g_fail_after_bytes = UINT64_MAX;
      throw sonatrix_io::exception_io_net();
    }
    return inner_->read(buffer, count, abort);
  }
  void write(const void* b, size_t n, const abort_signal& a) override { inner_->write(b, n, a); }
  uint64_t get_size(const abort_signal& a) override { return inner_->get_size(a); }
  uint64_t get_position(const abort_signal& a) override { return inner_->get_position(a); }
  void seek(uint64_t p, const abort_signal& a) override { inner_->seek(p, a); }
  void resize(uint64_t s, const abort_signal& a) override { inner_->resize(s, a); }
  uint64_t get_timestamp(const abort_signal& a) override { return inner_->get_timestamp(a); }
  bool is_remote() const override { return true; }

 private:
  file_ptr inner_;
};

class flaky_file_system : public file_system {
 public:
  bool claims(std::string_view url) const override { return url.starts_with("flaky://"); }
  std::string display_path(std::string_view url) const override { return std::string(url); }
  std::optional<std::string> canonical_path(std::string_view url) const override {
    return std::string(url);
  }
  file_ptr open(std::string_view, open_mode, const abort_signal&) const override {
    ++g_opens;
    return std::make_shared<flaky_file>(test::memory_file_of(long_stream()));
  }
  bool exists(std::string_view) const override { return true; }
  bool directory_exists(std::string_view) const override { return false; }
  file_stats get_stats(std::string_view) const override { return {}; }
  void create_directory(std::string_view) const override { throw kel::exception_not_implemented(); }
  void remove(std::string_view) const override { throw kel::exception_not_implemented(); }
  void move(std::string_view, std::string_view) const override {
    throw kel::exception_not_implemented();
  }
  void replace(std::string_view, std::string_view) const override {
    throw kel::exception_not_implemented();
  }
  void list_directory(std::string_view, const directory_callback&,
                      const abort_signal&) const override {
    throw kel::exception_not_implemented();
  }
};

LUMO_REGISTER_SINGLETON_SERVICE(flaky_file_system);

TEST(mpeg_network, a_dropped_connection_is_reopened_and_resumed) {
  const auto whole = test::decode_bytes(long_stream(), "tempmem://network-reference.mp3");
  g_opens = 0;
  auto decoder = open_input_decoder("flaky://host/song.mp3", nullptr, abort_none());
  decoder->initialize(0, 0, abort_none());
  pcm_chunk chunk;
  std::vector<float> got;
  ASSERT_TRUE(decoder->run(chunk, abort_none()));
  got.insert(got.end(), chunk.data(), chunk.data() + chunk.data_size());
  g_fail_after_bytes = 70000;  // beyond the first read-ahead
  const auto rest = test::decode_all(*decoder);
  got.insert(got.end(), rest.samples.begin(), rest.samples.end());
  EXPECT_EQ(g_opens, 2);
  EXPECT_EQ(got, whole.samples);
}

}  // namespace
}  // namespace lumo::mpeg
