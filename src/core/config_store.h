#pragma once
// The configuration-store service class. The registry calls load on every store while
// it is built; start-up's shutdown calls save on each. The stores themselves live in
// the modules that own the files.

#include "core/service.h"

namespace lumo {

class config_store : public service_base {
 public:
  static constexpr guid class_guid{
      0x6d2a9f47u, 0x1c8e, 0x4f02, {0xb3, 0x5d, 0x7e, 0x90, 0x24, 0xa1, 0x6c, 0xe8}};
  using parent_class = service_base;
  using service_class = config_store;

  // Reads the stored settings; main thread, during the registry build.
  virtual void load() = 0;
  // At shutdown: with reset the stored file is deleted, otherwise written.
  virtual void save(bool reset) = 0;
  // Writes the stored settings now.
  virtual void save_now() = 0;

 protected:
  ~config_store() = default;
};

}  // namespace lumo
