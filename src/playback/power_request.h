#pragma once
// Keeps the computer from sleeping while sound plays: a power request held while playing
// unpaused, or, where the system lacks power requests, the thread execution state.
#include <cstdint>
#include <memory>

namespace lumo {

// The system's calls (platform seam; tests record them).
class power_api {
 public:
  virtual ~power_api() = default;
  // The request functions were found; otherwise only set_execution_state is used.
  virtual bool has_requests() = 0;
  // Creates the request with the product name as its reason; false when it failed.
  virtual bool create_request() = 0;
  virtual void set_request() = 0;    // system-required
  virtual void clear_request() = 0;  // system-required
  virtual void close_request() = 0;
  virtual void set_execution_state(uint32_t flags) = 0;
};

inline constexpr uint32_t execution_state_continuous = 0x80000000u;
inline constexpr uint32_t execution_state_system_required = 0x00000001u;

// The platform's calls: power requests looked up by name, with the execution-state
// fallback; natively nothing.
std::unique_ptr<power_api> make_system_power_api();

// Calls the system only when the state changes. One thread (the playback thread).
class power_request {
 public:
  explicit power_request(std::unique_ptr<power_api> api);
  // Releases what is held.
  ~power_request();
  power_request(const power_request&) = delete;
  power_request& operator=(const power_request&) = delete;

  void set_playing(bool playing);

 private:
  std::unique_ptr<power_api> api_;
  bool requests_ = false;  // a request was made; otherwise the execution state is used
  bool usable_ = true;     // false after a silent failure to create the request
  bool playing_ = false;
};

}  // namespace lumo
