#include "config/config_var.h"

namespace lumo {

namespace {

// Constant-initialised, so a variable constructed by any other static initialiser finds
// the heads ready whatever the order of translation units.
constinit config_var* g_read_head = nullptr;
constinit config_var* g_write_head = nullptr;

}  // namespace

config_var::config_var(const guid& id) : id_(id) {
  next_read_ = g_read_head;
  g_read_head = this;
  next_write_ = g_write_head;
  g_write_head = this;
}

config_var* config_read_list() {
  return g_read_head;
}
config_var* config_write_list() {
  return g_write_head;
}

}  // namespace lumo
