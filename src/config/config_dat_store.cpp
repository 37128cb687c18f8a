#include "config/config_dat_store.h"

#include "config/config_file.h"
#include "core/exceptions.h"
#include "core/service_registry.h"
#include "fs/atomic_replace.h"
#include "fs/file_system.h"

namespace lumo {

namespace {

// Touched on the main thread only (start-up, shutdown, the save menu command).
config_store_options g_options;
md5_digest g_last_integrity{};

void remove_if_exists(const std::string& url) {
  const file_system& fs = find_file_system(url);
  if (fs.exists(url)) fs.remove(url);
}

void write_config_dat(const abort_signal& abort) {
  std::string url = config_dat_url();
  if (url.empty() || g_options.is_read_only) return;

  std::vector<uint8_t> payload = build_config_payload(abort);
  md5_digest integrity = config_integrity_value(payload);
  if (integrity == g_last_integrity) return;

  // Nothing worth keeping: no file rather than a file of nothing.
  if (is_trivial_config_payload(payload)) {
    remove_if_exists(url);
  } else {
    std::vector<uint8_t> content = encode_config_file(payload, integrity);
    replace_file_atomically(
        url,
        [&content](file& f, const abort_signal& a) { f.write(content.data(), content.size(), a); },
        abort);
  }
  g_last_integrity = integrity;
}

}  // namespace

void configure_config_dat_store(config_store_options options) {
  g_options = std::move(options);
  g_last_integrity = {};
}

std::string config_dat_url() {
  const std::string& folder = g_options.profile_folder;
  if (folder.empty()) return {};
  return local_url_in_folder(folder, "config.dat");
}

md5_digest config_last_integrity_value() {
  return g_last_integrity;
}

void load_config_dat(const abort_signal& abort) {
  std::string url = config_dat_url();
  if (url.empty()) return;
  file_ptr f = open_file(url, open_mode::read, abort);
  config_file_content content = read_config_file(*f, f->get_size(abort), abort);
  g_last_integrity = content.integrity;
  apply_config_payload(content.payload, abort);
}

void config_dat_store::load() {
  try {
    load_config_dat(abort_none());
  } catch (const sonatrix_io::exception_io_not_found&) {
    // First start, or after a reset: the defaults stand.
  } catch (const std::exception& e) {
    ask_continue_after_config_load_failure(kel::error_text(e), g_options.load_failure_prompt);
  }
}

void config_dat_store::save(bool reset) {
  if (!reset) return save_now();
  std::string url = config_dat_url();
  if (url.empty() || g_options.is_read_only) return;
  remove_if_exists(url);
}

void config_dat_store::save_now() {
  write_config_dat(abort_none());
}

LUMO_REGISTER_SINGLETON_SERVICE(config_dat_store);

}  // namespace lumo
