#pragma once
// The configuration store that keeps every configuration variable in the profile's
// config.dat. It is registered as a configuration-store service, so the registry build
// calls load and shutdown calls save; start-up configures it first.
//
// Saving writes only when the content differs from what was last loaded or written,
// and always through atomic replacement, so a crash never leaves half a file. With a
// read-only profile the store never touches the disk.

#include <string>

#include "config/load_failure.h"
#include "core/abort.h"
#include "core/config_store.h"
#include "core/md5.h"

namespace lumo {

struct config_store_options {
  // Native path of the profile folder; empty leaves the store idle (no file at all).
  std::string profile_folder;
  bool is_read_only = false;
  prompt_mode load_failure_prompt = prompt_mode::ask;
};

// Start-up, main thread, before the registry is built. Also forgets the last integrity
// value, so the next save writes.
void configure_config_dat_store(config_store_options options);

// The URL of config.dat: profile folder + separator (only if missing) + "config.dat";
// empty when no profile folder is configured.
std::string config_dat_url();

class config_dat_store : public config_store {
 public:
  // Reads config.dat into the variables. A missing file keeps every default silently;
  // any other failure keeps what was read so far and asks whether to continue
  // (kel::exception_shutdownrequest on Cancel).
  void load() override;
  // reset: delete config.dat; otherwise as save_now. Nothing at all when read-only.
  void save(bool reset) override;
  // Writes config.dat if its content changed; I/O errors propagate.
  void save_now() override;
};

// The steps behind load, without the question: raise whatever failed.
void load_config_dat(const abort_signal& abort);

// The integrity value of the content last loaded or written (all zero at start).
md5_digest config_last_integrity_value();

}  // namespace lumo
