#pragma once
#include <functional>
#include <string_view>

#include "core/abort.h"
#include "fs/file.h"

namespace lumo {

// Writes a whole file so that readers see either the complete old content or the
// complete new one: write_content fills url + ".tmp" (opened new, positioned at 0), which
// then replaces url. write_content must not keep the file object beyond its return.
//
// - A read-only target raises kel::exception "file exists and is read-only" before
//   anything is written.
// - A failure while writing, or any replacement failure but a sharing violation,
//   removes the ".tmp" and rethrows.
// - A target held open by someone else (a sharing violation, or access denied from
//   the rename) is retried every 50 ms, 20 attempts in all. After the last one that
//   error is raised and the ".tmp" is kept: it holds the complete new content, the
//   target the complete old one.
void replace_file_atomically(std::string_view url,
                             const std::function<void(file&, const abort_signal&)>& write_content,
                             const abort_signal& abort);

// The same with the temporary file named by the caller, and before_replace called between
// the complete temporary file and the replacement: the last moment for the caller to close
// its own handles on url (Windows cannot replace a file that is held open).
void replace_file_atomically(std::string_view url, std::string_view temp_url,
                             const std::function<void(file&, const abort_signal&)>& write_content,
                             const std::function<void()>& before_replace,
                             const abort_signal& abort);

inline constexpr int replace_attempts = 20;
inline constexpr int replace_retry_pause_ms = 50;

}  // namespace lumo
